#include "tests/gui/GtkTestSupport.h"

#include <gtest/gtest.h>
// After gtest, whose headers use names that X11's are macros for.
#include <X11/Xlib.h>
#include <X11/extensions/shape.h>
#include <gdk/gdkx.h>

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

GtkWindow* FindWindow(const char* title) {
    GList* all = gtk_window_list_toplevels();
    GtkWindow* found = nullptr;
    for (GList* l = all; l != nullptr && found == nullptr; l = l->next) {
        GtkWindow* w = GTK_WINDOW(l->data);
        if (gtk_widget_get_visible(GTK_WIDGET(w)) &&
            g_strcmp0(gtk_window_get_title(w), title) == 0) {
            found = w;
        }
    }
    g_list_free(all);
    return found;
}

guint Poll(std::function<bool()> check) {
    auto* copy = new std::function<bool()>(std::move(check));
    return g_timeout_add_full(
        G_PRIORITY_DEFAULT, 20,
        [](gpointer data) -> gboolean {
            return (*static_cast<std::function<bool()>*>(data))() ? G_SOURCE_REMOVE
                                                                  : G_SOURCE_CONTINUE;
        },
        copy, [](gpointer data) { delete static_cast<std::function<bool()>*>(data); });
}

guint WhenShown(const char* title, std::function<void(GtkWindow*)> act) {
    return Poll([wanted = std::string(title), act = std::move(act)] {
        GtkWindow* w = FindWindow(wanted.c_str());
        if (w != nullptr) {
            act(w);
        }
        return w != nullptr;
    });
}

void PutKey(GdkWindow* window, guint keyval, GdkModifierType state) {
    GdkDisplay* display = gdk_window_get_display(window);
    GdkDevice* keyboard = gdk_seat_get_keyboard(gdk_display_get_default_seat(display));
    GdkKeymapKey* keys = nullptr;
    gint count = 0;
    gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys, &count);
    for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
        GdkEvent* event = gdk_event_new(type);
        event->key.window = GDK_WINDOW(g_object_ref(window));
        event->key.send_event = TRUE;
        event->key.time = GDK_CURRENT_TIME;
        event->key.keyval = keyval;
        event->key.state = state;
        event->key.hardware_keycode = count > 0 ? guint16(keys[0].keycode) : 0;
        event->key.string = g_strdup("");
        gdk_event_set_device(event, keyboard);
        gdk_display_put_event(display, event);
        gdk_event_free(event);
    }
    g_free(keys);
}

void PutFocusIn(GdkWindow* window) {
    GdkDisplay* display = gdk_window_get_display(window);
    GdkEvent* event = gdk_event_new(GDK_FOCUS_CHANGE);
    event->focus_change.window = GDK_WINDOW(g_object_ref(window));
    event->focus_change.send_event = TRUE;
    event->focus_change.in = TRUE;
    gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
    gdk_display_put_event(display, event);
    gdk_event_free(event);
}

cairo_region_t* ScreenShape(GtkWidget* window, int kind) {
    GdkWindow* gdkWindow = gtk_widget_get_window(window);
    int count = 0;
    int ordering = 0;
    XRectangle* rects = XShapeGetRectangles(GDK_WINDOW_XDISPLAY(gdkWindow),
                                            GDK_WINDOW_XID(gdkWindow), kind, &count, &ordering);
    // All at once: a picture's shape has thousands of rectangles.
    std::vector<cairo_rectangle_int_t> all;
    for (int i = 0; i < count; ++i) {
        all.push_back({rects[i].x, rects[i].y, rects[i].width, rects[i].height});
    }
    if (rects != nullptr) {
        XFree(rects);
    }
    return cairo_region_create_rectangles(all.data(), int(all.size()));
}

GdkRectangle ScreenGeometry(GtkWidget* window) {
    GdkWindow* gdkWindow = gtk_widget_get_window(window);
    Display* display = GDK_WINDOW_XDISPLAY(gdkWindow);
    XSync(display, False);
    XWindowAttributes attributes;
    XGetWindowAttributes(display, GDK_WINDOW_XID(gdkWindow), &attributes);
    Window child = 0;
    GdkRectangle geometry{0, 0, attributes.width, attributes.height};
    XTranslateCoordinates(display, GDK_WINDOW_XID(gdkWindow), DefaultRootWindow(display), 0, 0,
                          &geometry.x, &geometry.y, &child);
    return geometry;
}

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    testing::InitGoogleTest(&argc, argv);
    gdk_set_allowed_backends("x11");
    // Listing the tests (as CTest does while building) needs no display.
    if (!GTEST_FLAG_GET(list_tests) && !gtk_init_check(nullptr, nullptr)) {
        std::fprintf(stderr, "no X display: run the GUI tests under tools/test.sh\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
