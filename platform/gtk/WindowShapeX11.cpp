#include "platform/WindowShape.h"

#include <X11/Xlib.h>
#include <X11/extensions/shape.h>
#include <gdk/gdkx.h>

#include <algorithm>
#include <vector>

namespace {

// The shape last set on a window, applied as it is realized and again
// whenever it is mapped: GTK takes the input shape away as it realizes a
// window.
constexpr char kShapeKey[] = "screen-pixel-shape";

short Clamped(int value) {
    return short(std::clamp(value, -32768, 32767));
}

void Apply(GtkWidget* window, const cairo_region_t* region) {
    GdkWindow* gdkWindow = gtk_widget_get_window(window);
    if (gdkWindow == nullptr || !GDK_IS_X11_WINDOW(gdkWindow)) {
        return;
    }
    Display* display = GDK_WINDOW_XDISPLAY(gdkWindow);
    const Window xid = GDK_WINDOW_XID(gdkWindow);
    for (const int kind : {ShapeBounding, ShapeInput}) {
        if (region == nullptr) {
            XShapeCombineMask(display, xid, kind, 0, 0, None, ShapeSet);
            continue;
        }
        std::vector<XRectangle> rects(size_t(cairo_region_num_rectangles(region)));
        for (size_t i = 0; i < rects.size(); ++i) {
            cairo_rectangle_int_t r;
            cairo_region_get_rectangle(region, int(i), &r);
            rects[i] = {Clamped(r.x), Clamped(r.y), (unsigned short)std::clamp(r.width, 0, 65535),
                        (unsigned short)std::clamp(r.height, 0, 65535)};
        }
        // A cairo region's rectangles come in rows, top to bottom, each
        // left to right: X's banded order, which spares the server a sort.
        XShapeCombineRectangles(display, xid, kind, 0, 0, rects.data(), int(rects.size()), ShapeSet,
                                YXBanded);
    }
}

void ApplyHeld(GtkWidget* window, gpointer) {
    Apply(window,
          static_cast<const cairo_region_t*>(g_object_get_data(G_OBJECT(window), kShapeKey)));
}

}  // namespace

void SetWindowShape(GtkWidget* window, const cairo_region_t* region) {
    if (g_signal_handler_find(window, G_SIGNAL_MATCH_FUNC, 0, 0, nullptr,
                              reinterpret_cast<gpointer>(ApplyHeld), nullptr) == 0) {
        // After GTK's own handling, which asks the X server to map the
        // window: the shape still comes before the window shows, since the
        // server takes a client's requests in turn, and a window manager
        // maps it only once it has them.
        g_signal_connect_after(window, "map", G_CALLBACK(ApplyHeld), nullptr);
        // The bounding shape as soon as the window exists on the X server
        // too: it then never holds the whole rectangle, and the map carries
        // no shape requests of its own to wait for.
        g_signal_connect_after(window, "realize", G_CALLBACK(ApplyHeld), nullptr);
    }
    g_object_set_data_full(G_OBJECT(window), kShapeKey,
                           region != nullptr ? cairo_region_copy(region) : nullptr,
                           reinterpret_cast<GDestroyNotify>(cairo_region_destroy));
    if (gtk_widget_get_realized(window)) {
        Apply(window, region);
    }
}
