// A program the player drags something from onto the launcher in GUI tests:
// a small window at the screen's top left corner that offers, when a drag
// starts on it, one address (a file's or a web page's, as a file manager or
// a web browser would offer it) or a text. Prints "mapped" once it shows.
//   drag-source uri <address> | text <text>

#include <gtk/gtk.h>

#include <cstdio>
#include <string>

namespace {

std::string g_kind;
std::string g_data;

void OnDragDataGet(GtkWidget*, GdkDragContext*, GtkSelectionData* selection, guint info, guint,
                   gpointer) {
    if (info == 0) {
        gchar* uris[] = {g_data.data(), nullptr};
        gtk_selection_data_set_uris(selection, uris);
    } else {
        gtk_selection_data_set_text(selection, g_data.c_str(), -1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: drag-source uri|text <data>\n");
        return 2;
    }
    g_kind = argv[1];
    g_data = argv[2];
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "drag-source");
    gtk_window_set_decorated(GTK_WINDOW(window), FALSE);
    gtk_window_move(GTK_WINDOW(window), 0, 0);
    GtkWidget* box = gtk_event_box_new();
    gtk_widget_set_size_request(box, 120, 80);
    gtk_container_add(GTK_CONTAINER(window), box);
    GtkTargetList* targets = gtk_target_list_new(nullptr, 0);
    if (g_kind == "uri") {
        gtk_target_list_add_uri_targets(targets, 0);
    }
    gtk_target_list_add_text_targets(targets, 1);
    gtk_drag_source_set(box, GDK_BUTTON1_MASK, nullptr, 0,
                        GdkDragAction(GDK_ACTION_COPY | GDK_ACTION_LINK));
    gtk_drag_source_set_target_list(box, targets);
    gtk_target_list_unref(targets);
    g_signal_connect(box, "drag-data-get", G_CALLBACK(OnDragDataGet), nullptr);
    g_signal_connect(window, "map-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer) -> gboolean {
                         std::printf("mapped\n");
                         std::fflush(stdout);
                         return FALSE;
                     }),
                     nullptr);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}
