#include "platform/gtk/WindowShape.h"

#include <X11/Xlib.h>
#include <X11/extensions/shape.h>
#include <gdk/gdkx.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "platform/OwnedPtr.h"

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

// Every pixel of the region, in the window's logical pixels at `scale`.
CairoRegionPtr ToLogical(const cairo_region_t* region, int scale) {
    CairoRegionPtr logical(cairo_region_create());
    for (int i = 0; i < cairo_region_num_rectangles(region); ++i) {
        cairo_rectangle_int_t r;
        cairo_region_get_rectangle(region, i, &r);
        const int left = r.x / scale;
        const int top = r.y / scale;
        const cairo_rectangle_int_t out{left, top, (r.x + r.width + scale - 1) / scale - left,
                                        (r.y + r.height + scale - 1) / scale - top};
        cairo_region_union_rectangle(logical.get(), &out);
    }
    return logical;
}

// The window's parts, as last set.
struct HeldShape {
    CairoRegionPtr own;
    CairoRegionPtr layer;

    // The union of the parts; null when neither is set.
    CairoRegionPtr Whole() const {
        if (own == nullptr && layer == nullptr) {
            return nullptr;
        }
        CairoRegionPtr whole(cairo_region_create());
        for (const CairoRegionPtr& part : {std::cref(own), std::cref(layer)}) {
            if (part.get() != nullptr) {
                cairo_region_union(whole.get(), part.get());
            }
        }
        return whole;
    }
};

void ApplyHeld(GtkWidget* window, gpointer) {
    const auto* held =
        static_cast<const HeldShape*>(g_object_get_data(G_OBJECT(window), kShapeKey));
    const CairoRegionPtr whole = held != nullptr ? held->Whole() : nullptr;
    GdkWindow* gdkWindow = gtk_widget_get_window(window);
    if (gdkWindow == nullptr) {
        return;
    }
    if (GDK_IS_X11_WINDOW(gdkWindow)) {
        Apply(window, whole.get());
        return;
    }
    gdk_window_input_shape_combine_region(
        gdkWindow,
        whole != nullptr ? ToLogical(whole.get(), gtk_widget_get_scale_factor(window)).get()
                         : nullptr,
        0, 0);
}

}  // namespace

void SetWindowShape(GtkWidget* window, const cairo_region_t* region, ShapePart part) {
    auto* held = static_cast<HeldShape*>(g_object_get_data(G_OBJECT(window), kShapeKey));
    if (held == nullptr) {
        held = new HeldShape;
        g_object_set_data_full(G_OBJECT(window), kShapeKey, held,
                               [](gpointer p) { delete static_cast<HeldShape*>(p); });
        // After GTK's own handling, which asks the X server to map the
        // window: the shape still comes before the window shows, since the
        // server takes a client's requests in turn, and a window manager
        // maps it only once it has them.
        g_signal_connect_after(window, "map", G_CALLBACK(ApplyHeld), nullptr);
        // The bounding shape as soon as the window exists on the X server
        // too: it then never holds the whole rectangle, and the map carries
        // no shape requests of its own to wait for.
        g_signal_connect_after(window, "realize", G_CALLBACK(ApplyHeld), nullptr);
        // Logical pixels change with the scale.
        g_signal_connect_after(window, "notify::scale-factor", G_CALLBACK(ApplyHeld), nullptr);
    }
    (part == ShapePart::Own ? held->own : held->layer)
        .reset(region != nullptr ? cairo_region_copy(region) : nullptr);
    if (gtk_widget_get_realized(window)) {
        ApplyHeld(window, nullptr);
    }
}
