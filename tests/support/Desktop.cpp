// Stands in for the desktop under the program in GUI tests: a window of one
// known colour that covers the screen below every other window and prints
// "click X Y" for every button press it receives, so a test can tell that a
// press went through the program's transparent pixels, and "key NAME" for
// every key that reaches it.
//   desktop <#rrggbb> [maximized]
//
// On X11 it lies below every window at the screen's origin. A Wayland client
// can neither place itself nor stay below, so there it fills the screen
// instead (full screen, whose origin is the screen's), and the places it
// prints are the screen's there too. With "maximized" it fills what the
// desktop gives a window instead, as a player's windows do, and stays below
// windows that float (a full-screen one would cover them on sway); the
// places it prints are then its own, from its corner, wherever that is.

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif

#include <cstdio>

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    GdkRGBA colour{0.19, 0.44, 0.63, 1.0};
    if (argc > 1) {
        gdk_rgba_parse(&colour, argv[1]);
    }
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "test-desktop");
    gtk_window_set_decorated(GTK_WINDOW(window), FALSE);
    gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DESKTOP);
    gtk_window_set_keep_below(GTK_WINDOW(window), TRUE);
    GdkRectangle area;
    gdk_monitor_get_geometry(gdk_display_get_monitor(gdk_display_get_default(), 0), &area);
    gtk_window_move(GTK_WINDOW(window), 0, 0);
    gtk_widget_set_size_request(window, area.width, area.height);
    gtk_widget_set_app_paintable(window, TRUE);
    g_signal_connect(window, "draw",
                     G_CALLBACK(+[](GtkWidget*, cairo_t* cr, GdkRGBA* c) -> gboolean {
                         gdk_cairo_set_source_rgba(cr, c);
                         cairo_paint(cr);
                         return TRUE;
                     }),
                     &colour);
#ifdef GDK_WINDOWING_WAYLAND
    if (GDK_IS_WAYLAND_DISPLAY(gdk_display_get_default())) {
        if (argc > 2 && g_str_equal(argv[2], "maximized")) {
            gtk_widget_set_size_request(window, -1, -1);
            gtk_window_maximize(GTK_WINDOW(window));
        } else {
            gtk_window_fullscreen(GTK_WINDOW(window));
        }
    }
#endif
    gtk_widget_add_events(window, GDK_BUTTON_PRESS_MASK | GDK_KEY_PRESS_MASK);
    g_signal_connect(window, "button-press-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEventButton* e, gpointer) -> gboolean {
                         std::printf("click %d %d\n", int(e->x_root), int(e->y_root));
                         std::fflush(stdout);
                         return TRUE;
                     }),
                     nullptr);
    g_signal_connect(window, "key-press-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEventKey* e, gpointer) -> gboolean {
                         std::printf("key %s\n", gdk_keyval_name(e->keyval));
                         std::fflush(stdout);
                         return TRUE;
                     }),
                     nullptr);
    g_signal_connect(window, "map-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer) -> gboolean {
                         std::printf("mapped\n");
                         std::fflush(stdout);
                         return FALSE;
                     }),
                     nullptr);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    gtk_widget_show(window);
    gtk_main();
    return 0;
}
