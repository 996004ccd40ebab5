// The demo's game launcher: shows what it was started with, as the real one
// would read it, and closes after a while.

#include <gtk/gtk.h>
#include <unistd.h>

#include <string>

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    std::string text = "<big><b>Tharnvale</b></big>\n\nThe game launcher was started with:\n";
    for (int i = 1; i < argc; ++i) {
        gchar* escaped = g_markup_escape_text(argv[i], -1);
        text += std::string("\n<tt>") + escaped + "</tt>";
        g_free(escaped);
    }
    char cwd[4096];
    gchar* dir = g_markup_escape_text(getcwd(cwd, sizeof cwd) ? cwd : "?", -1);
    text += std::string("\n\nin ") + dir;
    g_free(dir);

    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "Tharnvale game launcher (demo)");
    gtk_container_set_border_width(GTK_CONTAINER(window), 24);
    GtkWidget* label = gtk_label_new(nullptr);
    gtk_label_set_markup(GTK_LABEL(label), text.c_str());
    gtk_label_set_selectable(GTK_LABEL(label), FALSE);
    gtk_container_add(GTK_CONTAINER(window), label);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    g_timeout_add_seconds(
        30,
        [](gpointer) -> gboolean {
            gtk_main_quit();
            return G_SOURCE_REMOVE;
        },
        nullptr);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}
