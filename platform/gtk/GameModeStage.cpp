#include "platform/gtk/GameModeStage.h"

#include <gdk/gdkx.h>

#include <algorithm>
#include <list>

#include "platform/AlphaShape.h"
#include "platform/Backdrop.h"
#include "platform/GLibPtr.h"
#include "platform/Timer.h"
#include "platform/gtk/NativeWindows.h"
#include "platform/gtk/SignalConnection.h"

namespace {

// What the stage holds, kept on its window for as long as the window lives.
struct CStage {
    GtkWindow* window = nullptr;
    // The layers' holder: an overlay, so that a layer hanging off the
    // screen's edge does not make the window larger.
    GtkWidget* overlay = nullptr;
    CairoSurfacePtr picture;
    // Made once the picture has first shown, so that nothing delays it;
    // until then a plain shade stands in.
    CairoSurfacePtr backdrop;
    CTimer makeBackdrop;
    // Where the picture's corner stands on the stage, in the window's units.
    int pictureX = 0;
    int pictureY = 0;
    cairo_rectangle_int_t visible{};
    struct Layer {
        GtkWidget* widget;
        StageLayer kind;
        // What had the keyboard when a modal layer came (weakly held).
        GtkWidget* focusBefore;
    };
    // Bottom first. A list: the weak pointers point into its elements.
    std::list<Layer> layers;
    CSignalConnections connections;

    GdkRectangle Screen() const {
        GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(window));
        GdkMonitor* monitor = PrimaryMonitor(display);
        GdkRectangle area{0, 0, 1280, 800};
        if (monitor != nullptr) {
            gdk_monitor_get_geometry(monitor, &area);
        }
        return area;
    }

    // The window covers the screen, in its units at the window's scale.
    void CoverScreen() const {
        const GdkRectangle screen = Screen();
        gtk_widget_set_size_request(GTK_WIDGET(window), screen.width, screen.height);
        gtk_window_resize(window, screen.width, screen.height);
        gtk_window_move(window, screen.x, screen.y);
    }

    // Where a layer of `kind` and `width` × `height` stands on the stage.
    void PlaceOf(StageLayer kind, int width, int height, int& x, int& y) const {
        if (kind == StageLayer::OverPicture) {
            x = pictureX;
            y = pictureY;
            return;
        }
        const GdkRectangle screen = Screen();
        const bool hasPicture = visible.width > 0;
        const int middleX =
            hasPicture ? pictureX + visible.x + visible.width / 2 : screen.width / 2;
        const int middleY =
            hasPicture ? pictureY + visible.y + visible.height / 2 : screen.height / 2;
        x = middleX - width / 2;
        y = middleY - height / 2;
    }

    const Layer* Find(GtkWidget* widget) const {
        auto found = std::find_if(layers.begin(), layers.end(),
                                  [widget](const Layer& l) { return l.widget == widget; });
        return found != layers.end() ? &*found : nullptr;
    }

    // Only the topmost modal layer, or everything when there is none, takes
    // input: insensitive widgets take no pointer and the keyboard skips them.
    void UpdateInput() {
        auto top = std::find_if(layers.rbegin(), layers.rend(),
                                [](const Layer& l) { return l.kind == StageLayer::Modal; });
        for (auto it = layers.rbegin(); it != layers.rend(); ++it) {
            gtk_widget_set_sensitive(it->widget, top == layers.rend() || it == top);
        }
    }

    void Remove(GtkWidget* widget) {
        auto found = std::find_if(layers.begin(), layers.end(),
                                  [widget](const Layer& l) { return l.widget == widget; });
        if (found == layers.end()) {
            return;
        }
        GtkWidget* focusBefore = found->focusBefore;
        const bool modal = found->kind == StageLayer::Modal;
        if (focusBefore != nullptr) {
            g_object_remove_weak_pointer(G_OBJECT(focusBefore),
                                         reinterpret_cast<gpointer*>(&found->focusBefore));
        }
        layers.erase(found);
        UpdateInput();
        if (modal && focusBefore != nullptr && gtk_widget_is_sensitive(focusBefore)) {
            gtk_widget_grab_focus(focusBefore);
        }
    }

    ~CStage() {
        for (Layer& layer : layers) {
            if (layer.focusBefore != nullptr) {
                g_object_remove_weak_pointer(G_OBJECT(layer.focusBefore),
                                             reinterpret_cast<gpointer*>(&layer.focusBefore));
            }
        }
    }
};

constexpr char kStageKey[] = "game-mode-stage";

// What shows around the picture until its backdrop is made: a deep slate,
// dark as the backdrop is, never black.
constexpr struct { double r, g, b; } kShade{0.11, 0.12, 0.15};

CStage* StageOf(GtkWindow* window) {
    return static_cast<CStage*>(g_object_get_data(G_OBJECT(window), kStageKey));
}

gboolean OnDraw(GtkWidget*, cairo_t* cr, CStage* stage) {
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    if (stage->backdrop != nullptr) {
        cairo_set_source_surface(cr, stage->backdrop.get(), 0, 0);
    } else {
        cairo_set_source_rgb(cr, kShade.r, kShade.g, kShade.b);
        if (stage->picture != nullptr && !stage->makeBackdrop.IsRunning()) {
            stage->makeBackdrop.StartIdle([stage] {
                const GdkRectangle screen = stage->Screen();
                stage->backdrop =
                    MakeBackdrop(stage->picture.get(), screen.width, screen.height,
                                 gtk_widget_get_scale_factor(GTK_WIDGET(stage->window)));
                gtk_widget_queue_draw(GTK_WIDGET(stage->window));
            });
        }
    }
    cairo_paint(cr);
    if (stage->picture != nullptr) {
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        cairo_set_source_surface(cr, stage->picture.get(), stage->pictureX, stage->pictureY);
        cairo_paint(cr);
    }
    return FALSE;  // the layers draw over it
}

// Fits the picture to the screen by whole steps, so that it stays crisp: on
// a screen with room for the picture's visible part at twice its size (and
// no scale the player chose), the program's windows are drawn at two screen
// pixels to the unit, from the artwork made for it, as on a HiDPI desktop.
// Their scale changing makes the main window show its picture again, at
// the new scale. A fit between the steps would resample the artwork and
// the page's text, and blur both.
void FitByWholeSteps(const CStage& stage, int scale) {
    GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(stage.window));
    const GdkRectangle screen = stage.Screen();
    if (scale == 1 && g_getenv("GDK_SCALE") == nullptr && GDK_IS_X11_DISPLAY(display) &&
        stage.visible.width > 0 && screen.width >= 2 * stage.visible.width &&
        screen.height >= 2 * stage.visible.height) {
        gdk_x11_display_set_window_scale(display, 2);
    }
}

}  // namespace

void MakeStage(GtkWindow* window) {
    auto* stage = new CStage{window};
    g_object_set_data_full(G_OBJECT(window), kStageKey, stage,
                           [](gpointer p) { delete static_cast<CStage*>(p); });
    GtkWidget* widget = GTK_WIDGET(window);
    gtk_widget_set_app_paintable(widget, TRUE);
    stage->connections.Add(widget, "draw", G_CALLBACK(OnDraw), stage);
    if (GtkWidget* old = gtk_bin_get_child(GTK_BIN(window))) {
        gtk_container_remove(GTK_CONTAINER(window), old);
    }
    stage->overlay = gtk_overlay_new();
    gtk_container_add(GTK_CONTAINER(stage->overlay), gtk_fixed_new());
    gtk_widget_show_all(stage->overlay);
    gtk_container_add(GTK_CONTAINER(window), stage->overlay);
    stage->connections.Add(
        stage->overlay, "get-child-position",
        G_CALLBACK(+[](GtkOverlay*, GtkWidget* widget, GdkRectangle* place, CStage* s) -> gboolean {
            const CStage::Layer* layer = s->Find(widget);
            if (layer == nullptr) {
                return FALSE;
            }
            gtk_widget_get_size_request(widget, &place->width, &place->height);
            s->PlaceOf(layer->kind, place->width, place->height, place->x, place->y);
            return TRUE;
        }),
        stage);
    stage->CoverScreen();
}

void ShowStagePicture(GtkWindow* window, cairo_surface_t* picture) {
    CStage* stage = StageOf(window);
    if (stage == nullptr || picture == nullptr) {
        return;
    }
    stage->CoverScreen();
    const GdkRectangle screen = stage->Screen();
    const int scale = gtk_widget_get_scale_factor(GTK_WIDGET(window));
    stage->picture.reset(cairo_surface_reference(picture));
    stage->backdrop.reset();
    stage->makeBackdrop.Stop();
    stage->visible = VisibleBounds(picture);
    // Whole units: at the screen's pixels, never between two.
    stage->pictureX = (screen.width - stage->visible.width) / 2 - stage->visible.x;
    stage->pictureY = (screen.height - stage->visible.height) / 2 - stage->visible.y;
    gtk_widget_queue_resize(stage->overlay);
    gtk_widget_queue_draw(GTK_WIDGET(window));
    FitByWholeSteps(*stage, scale);
}

void PutOnStage(GtkWindow* window, GtkWidget* layer, StageLayer kind) {
    CStage* stage = StageOf(window);
    if (stage == nullptr) {
        return;
    }
    CStage::Layer& entry = stage->layers.emplace_back(CStage::Layer{layer, kind, nullptr});
    if (kind == StageLayer::Modal) {
        entry.focusBefore = gtk_window_get_focus(window);
        if (entry.focusBefore != nullptr) {
            g_object_add_weak_pointer(G_OBJECT(entry.focusBefore),
                                      reinterpret_cast<gpointer*>(&entry.focusBefore));
        }
    }
    gtk_overlay_add_overlay(GTK_OVERLAY(stage->overlay), layer);
    stage->UpdateInput();
    stage->connections.Add(layer, "destroy",
                           G_CALLBACK(+[](GtkWidget* widget, CStage* s) { s->Remove(widget); }),
                           stage);
}

void PlaceOnStage(GtkWindow* window, GtkWidget* layer) {
    if (StageOf(window) != nullptr) {
        gtk_widget_queue_resize(layer);
    }
}
