#include <string>

#include "platform/GLibPtr.h"
#include "platform/gtk/NativeWindows.h"
#include "platform/gtk/SignalConnection.h"

struct CWindowItemImpl {
    GObjectPtr<GtkWidget> widget;
    CSignalConnections connections;
    std::function<void(cairo_t*)> paint;
    std::function<void()> clicked;
    std::function<void(bool)> hover;
    std::function<void()> pressedChanged;
    std::function<void()> motion;
    std::function<void()> scaleChanged;
};

std::unique_ptr<CWindowItem> MakeWindowItem(GtkWidget* widget) {
    auto impl = std::make_unique<CWindowItemImpl>();
    impl->widget = RefObject(widget);
    return std::make_unique<CWindowItem>(std::move(impl));
}

GtkWidget* NativeWidgetOf(const CWindowItem& item) {
    return item.Impl().widget.get();
}

CWindowItem::CWindowItem(std::unique_ptr<CWindowItemImpl> impl) : m_pImpl(std::move(impl)) {}

CWindowItem::~CWindowItem() = default;

void CWindowItem::Place(const CRect& rect) {
    GtkWidget* widget = m_pImpl->widget.get();
    if (GtkWidget* parent = gtk_widget_get_parent(widget); GTK_IS_FIXED(parent)) {
        gtk_fixed_move(GTK_FIXED(parent), widget, rect.x, rect.y);
    }
    gtk_widget_set_size_request(widget, rect.width, rect.height);
}

void CWindowItem::SetSize(int width, int height) {
    gtk_widget_set_size_request(m_pImpl->widget.get(), width, height);
}

// The last child of a fixed layout is drawn last and gets its input window
// last, on top.
void CWindowItem::RaiseAboveSiblings() {
    GtkWidget* widget = m_pImpl->widget.get();
    GtkWidget* parent = gtk_widget_get_parent(widget);
    if (!GTK_IS_FIXED(parent)) {
        return;
    }
    int x = 0;
    int y = 0;
    gtk_container_child_get(GTK_CONTAINER(parent), widget, "x", &x, "y", &y, nullptr);
    // The item's own reference keeps it while it is out of its parent.
    gtk_container_remove(GTK_CONTAINER(parent), widget);
    gtk_fixed_put(GTK_FIXED(parent), widget, x, y);
}

void CWindowItem::Show(bool show) {
    gtk_widget_set_visible(m_pImpl->widget.get(), show);
}

int CWindowItem::GetScaleFactor() const {
    return gtk_widget_get_scale_factor(m_pImpl->widget.get());
}

void CWindowItem::SetText(std::string_view utf8) {
    if (GTK_IS_LABEL(m_pImpl->widget.get())) {
        gtk_label_set_text(GTK_LABEL(m_pImpl->widget.get()), std::string(utf8).c_str());
    }
}

std::string CWindowItem::GetText() const {
    if (!GTK_IS_LABEL(m_pImpl->widget.get())) {
        return {};
    }
    return gtk_label_get_text(GTK_LABEL(m_pImpl->widget.get()));
}

void CWindowItem::SetTextLook(std::string_view font, std::string_view colour) {
    const GObjectPtr<GtkCssProvider> css(gtk_css_provider_new());
    const std::string rules = "label { color: " + std::string(colour) +
                              "; background: none; font: " + std::string(font) + "; }";
    gtk_css_provider_load_from_data(css.get(), rules.c_str(), -1, nullptr);
    gtk_style_context_add_provider(gtk_widget_get_style_context(m_pImpl->widget.get()),
                                   GTK_STYLE_PROVIDER(css.get()),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

void CWindowItem::HangTextFromTop() {
    if (GTK_IS_LABEL(m_pImpl->widget.get())) {
        gtk_label_set_yalign(GTK_LABEL(m_pImpl->widget.get()), 0.0f);
    }
}

void CWindowItem::SetPainter(std::function<void(cairo_t*)> paint) {
    CWindowItemImpl& impl = *m_pImpl;
    if (!impl.paint) {
        gtk_widget_set_app_paintable(impl.widget.get(), TRUE);
        impl.connections.Add(
            impl.widget.get(), "draw",
            G_CALLBACK(+[](GtkWidget*, cairo_t* cr, CWindowItemImpl* item) -> gboolean {
                item->paint(cr);
                return TRUE;  // nothing of the theme's
            }),
            &impl);
    }
    impl.paint = std::move(paint);
}

void CWindowItem::Invalidate() {
    gtk_widget_queue_draw(m_pImpl->widget.get());
}

void CWindowItem::MakePictureButton() {
    GtkWidget* widget = m_pImpl->widget.get();
    gtk_widget_set_can_focus(widget, TRUE);
    gtk_widget_set_focus_on_click(widget, FALSE);
    // The hand, over the button's input window, whatever its owner sets.
    m_pImpl->connections.Add(
        widget, "realize", G_CALLBACK(+[](GtkWidget* w, gpointer) {
            if (!GTK_IS_BUTTON(w)) {
                return;
            }
            const GObjectPtr<GdkCursor> hand(
                gdk_cursor_new_from_name(gtk_widget_get_display(w), "pointer"));
            gdk_window_set_cursor(gtk_button_get_event_window(GTK_BUTTON(w)), hand.get());
        }),
        nullptr, true);
}

namespace {

// GTK decides whether a window shows where its keyboard is as the window
// goes on the screen, hidden until the player uses a key: it is told once
// that has happened.
void ShowFocusOnceMapped(GtkWidget* window, gpointer) {
    gtk_window_set_focus_visible(GTK_WINDOW(window), TRUE);
    g_signal_handlers_disconnect_by_func(window, reinterpret_cast<gpointer>(ShowFocusOnceMapped),
                                         nullptr);
}

}  // namespace

void CWindowItem::SetFocus() {
    GtkWidget* widget = m_pImpl->widget.get();
    gtk_widget_grab_focus(widget);
    GtkWidget* top = gtk_widget_get_toplevel(widget);
    if (!GTK_IS_WINDOW(top)) {
        return;
    }
    if (gtk_widget_get_mapped(top)) {
        gtk_window_set_focus_visible(GTK_WINDOW(top), TRUE);
    } else if (g_signal_handler_find(top, G_SIGNAL_MATCH_FUNC, 0, 0, nullptr,
                                     reinterpret_cast<gpointer>(ShowFocusOnceMapped),
                                     nullptr) == 0) {
        g_signal_connect_after(top, "map", G_CALLBACK(ShowFocusOnceMapped), nullptr);
    }
}

bool CWindowItem::HasVisibleFocus() const {
    return gtk_widget_has_visible_focus(m_pImpl->widget.get());
}

void CWindowItem::SetAccessibleName(std::string_view utf8) {
    atk_object_set_name(gtk_widget_get_accessible(m_pImpl->widget.get()),
                        std::string(utf8).c_str());
}

void CWindowItem::OnClicked(std::function<void()> handler) {
    CWindowItemImpl& impl = *m_pImpl;
    if (!impl.clicked) {
        impl.connections.Add(
            impl.widget.get(), "clicked",
            G_CALLBACK(+[](GtkWidget*, CWindowItemImpl* item) { item->clicked(); }), &impl);
    }
    impl.clicked = std::move(handler);
}

void CWindowItem::OnHover(std::function<void(bool)> handler) {
    CWindowItemImpl& impl = *m_pImpl;
    if (!impl.hover) {
        gtk_widget_add_events(impl.widget.get(), GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK);
        impl.connections.Add(
            impl.widget.get(), "enter-notify-event",
            G_CALLBACK(+[](GtkWidget*, GdkEventCrossing*, CWindowItemImpl* item) -> gboolean {
                item->hover(true);
                return FALSE;
            }),
            &impl);
        impl.connections.Add(
            impl.widget.get(), "leave-notify-event",
            G_CALLBACK(+[](GtkWidget*, GdkEventCrossing*, CWindowItemImpl* item) -> gboolean {
                item->hover(false);
                return FALSE;
            }),
            &impl);
    }
    impl.hover = std::move(handler);
}

void CWindowItem::OnPressedChanged(std::function<void()> handler) {
    CWindowItemImpl& impl = *m_pImpl;
    if (!impl.pressedChanged) {
        impl.connections.Add(impl.widget.get(), "state-flags-changed",
                             G_CALLBACK(+[](GtkWidget*, GtkStateFlags, CWindowItemImpl* item) {
                                 item->pressedChanged();
                             }),
                             &impl);
    }
    impl.pressedChanged = std::move(handler);
}

bool CWindowItem::IsPressed() const {
    return (gtk_widget_get_state_flags(m_pImpl->widget.get()) & GTK_STATE_FLAG_ACTIVE) != 0;
}

void CWindowItem::OnPointerMotion(std::function<void()> handler) {
    CWindowItemImpl& impl = *m_pImpl;
    if (!impl.motion) {
        gtk_widget_add_events(impl.widget.get(), GDK_POINTER_MOTION_MASK);
        impl.connections.Add(
            impl.widget.get(), "motion-notify-event",
            G_CALLBACK(+[](GtkWidget*, GdkEventMotion*, CWindowItemImpl* item) -> gboolean {
                item->motion();
                return FALSE;
            }),
            &impl);
    }
    impl.motion = std::move(handler);
}

void CWindowItem::OnScaleChanged(std::function<void()> handler) {
    CWindowItemImpl& impl = *m_pImpl;
    if (!impl.scaleChanged) {
        impl.connections.Add(impl.widget.get(), "notify::scale-factor",
                             G_CALLBACK(+[](GtkWidget*, GParamSpec*, CWindowItemImpl* item) {
                                 item->scaleChanged();
                             }),
                             &impl);
    }
    impl.scaleChanged = std::move(handler);
}
