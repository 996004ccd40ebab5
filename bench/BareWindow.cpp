// The reference for the start-up benchmark: the least a GTK program does to
// put a window of the launcher's size on screen.

#include <gtk/gtk.h>

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_decorated(GTK_WINDOW(window), FALSE);
    gtk_window_set_default_size(GTK_WINDOW(window), 1334, 725);
    gtk_widget_show(window);
    gtk_main();
    return 0;
}
