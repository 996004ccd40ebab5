#include "platform/gtk/LayeredWindow.h"

#include "platform/AlphaShape.h"
#include "platform/Timer.h"
#include "platform/gtk/SignalConnection.h"
#include "platform/gtk/WindowShape.h"

namespace {

// Pixels at least this opaque stay inside the shape of a window whose alpha
// the display cannot show.
constexpr int kOpaqueShapeAlpha = 128;

// What a window shows: its picture at the window's scale, and the opaque
// copy for displays that cannot blend (made when first needed). Lives as
// long as the window.
struct CLayeredContent {
    GtkWidget* window;
    CairoSurfacePtr picture;
    // The part of the picture the window shows, in the picture's units.
    cairo_rectangle_int_t shown{};
    CairoSurfacePtr opaque;
    // What the window shows, held by the X server: handed over after the
    // window's first draw, so that it never delays the picture's first
    // showing. From then on a repaint is a copy within the server, and the
    // opaque copy is let go. Null until then, and again whenever the picture
    // or the desktop's compositing changes, until the next draw.
    CairoSurfacePtr onServer;
    bool onServerBlends = false;
    CTimer handOver;
    CSignalConnections connections;

    void HandOverLater() {
        if (onServer == nullptr && !handOver.IsRunning()) {
            handOver.StartIdle([this] { HandOver(); });
        }
    }

    void HandOver() {
        GdkWindow* gdkWindow = gtk_widget_get_window(window);
        const bool blends = Blends();
        cairo_surface_t* shown = blends ? picture.get() : opaque.get();
        if (gdkWindow == nullptr || shown == nullptr) {
            return;
        }
        CairoSurfacePtr server(gdk_window_create_similar_surface(
            gdkWindow, CAIRO_CONTENT_COLOR_ALPHA, this->shown.width, this->shown.height));
        {
            const CairoPtr cr(cairo_create(server.get()));
            cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
            cairo_set_source_surface(cr.get(), shown, -this->shown.x, -this->shown.y);
            cairo_paint(cr.get());
        }
        if (cairo_surface_status(server.get()) != CAIRO_STATUS_SUCCESS) {
            return;
        }
        onServer = std::move(server);
        onServerBlends = blends;
        opaque.reset();
    }

    bool Blends() const {
        return gtk_widget_get_visual(window) == RgbaVisual() && RgbaVisual() != nullptr &&
               gdk_screen_is_composited(gtk_widget_get_screen(window));
    }

    // The picture is at the window's scale: its pixels are the screen's.
    void ApplyShapes() {
        const CairoRegionPtr region =
            RegionFromAlpha(picture.get(), Blends() ? 1 : kOpaqueShapeAlpha);
        const int scale = ScaleOf(picture.get());
        cairo_region_translate(region.get(), -shown.x * scale, -shown.y * scale);
        SetWindowShape(window, region.get());
        gtk_widget_queue_draw(window);
    }
};

constexpr char kContentKey[] = "layered-content";

CLayeredContent* ContentOf(GtkWindow* window) {
    return static_cast<CLayeredContent*>(g_object_get_data(G_OBJECT(window), kContentKey));
}

gboolean OnDraw(GtkWidget*, cairo_t* cr, CLayeredContent* content) {
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    const bool blends = content->Blends();
    if (content->onServer != nullptr && content->onServerBlends == blends) {
        cairo_set_source_surface(cr, content->onServer.get(), 0, 0);
        cairo_paint(cr);
        return FALSE;  // a layer over the picture draws next
    }
    if (!blends && content->opaque == nullptr) {
        content->opaque = OpaqueCopy(content->picture.get());
    }
    cairo_set_source_surface(cr, blends ? content->picture.get() : content->opaque.get(),
                             -content->shown.x, -content->shown.y);
    cairo_paint(cr);
    content->HandOverLater();
    return FALSE;  // a layer over the picture draws next
}

void OnCompositedChanged(GdkScreen*, CLayeredContent* content) {
    content->onServer.reset();
    content->ApplyShapes();
}

}  // namespace

GdkVisual* RgbaVisual() {
    GdkScreen* screen = gdk_screen_get_default();
    return screen != nullptr ? gdk_screen_get_rgba_visual(screen) : nullptr;
}

void UseAlphaVisual(GtkWidget* window) {
    // The visual can only be chosen before the window exists on the display.
    if (GdkVisual* rgba = RgbaVisual(); rgba != nullptr && !gtk_widget_get_realized(window)) {
        gtk_widget_set_visual(window, rgba);
    }
}

void ShowLayeredPicture(GtkWindow* window, cairo_surface_t* picture,
                        const cairo_rectangle_int_t& shown) {
    GtkWidget* widget = GTK_WIDGET(window);
    UseAlphaVisual(widget);
    gtk_widget_set_app_paintable(widget, TRUE);

    CLayeredContent* content = ContentOf(window);
    if (content == nullptr) {
        content = new CLayeredContent{widget};
        g_object_set_data_full(G_OBJECT(window), kContentKey, content,
                               [](gpointer p) { delete static_cast<CLayeredContent*>(p); });
        content->connections.Add(widget, "draw", G_CALLBACK(OnDraw), content);
        content->connections.Add(gtk_widget_get_screen(widget), "composited-changed",
                                 G_CALLBACK(OnCompositedChanged), content);
    }
    // Drawn, cut and keyed pixel for pixel on the screen: a picture of
    // another scale is resampled once, here.
    content->picture = CopyAtScale(picture, gtk_widget_get_scale_factor(widget));
    content->shown = shown;
    content->opaque.reset();  // made on the first paint that needs it
    content->onServer.reset();

    gtk_widget_set_size_request(widget, shown.width, shown.height);
    gtk_window_resize(window, shown.width, shown.height);
    // The layer follows the picture's corner.
    if (GtkWidget* holder = gtk_bin_get_child(GTK_BIN(window))) {
        gtk_widget_queue_resize(holder);
    }
    GdkDisplay* display = gtk_widget_get_display(widget);
    if (gdk_display_supports_input_shapes(display)) {
        content->ApplyShapes();
    }
}

void GetPictureOrigin(GtkWindow* window, int& x, int& y) {
    const CLayeredContent* content = ContentOf(window);
    x = content != nullptr ? -content->shown.x : 0;
    y = content != nullptr ? -content->shown.y : 0;
}

// The layer is an overlay's: its place may lie off the window's corner
// without making the window any larger.
void SetPictureLayer(GtkWindow* window, GtkWidget* layer) {
    if (GtkWidget* old = gtk_bin_get_child(GTK_BIN(window))) {
        gtk_container_remove(GTK_CONTAINER(window), old);
    }
    GtkWidget* holder = gtk_overlay_new();
    gtk_container_add(GTK_CONTAINER(holder), gtk_fixed_new());
    gtk_overlay_add_overlay(GTK_OVERLAY(holder), layer);
    g_signal_connect(holder, "get-child-position",
                     G_CALLBACK(+[](GtkOverlay*, GtkWidget* child, GdkRectangle* place,
                                    GtkWindow* top) -> gboolean {
                         GetPictureOrigin(top, place->x, place->y);
                         gtk_widget_get_size_request(child, &place->width, &place->height);
                         return TRUE;
                     }),
                     window);
    gtk_widget_show(holder);
    gtk_widget_show(gtk_bin_get_child(GTK_BIN(holder)));
    gtk_container_add(GTK_CONTAINER(window), holder);
}
