#include <gdk/gdkwayland.h>
#include <gdk/gdkx.h>

#include <cmath>
#include <map>
#include <string>

#include "platform/DialogWindow.h"
#include "platform/GLibPtr.h"
#include "platform/MessageLoop.h"
#include "platform/Resources.h"
#include "platform/Timer.h"
#include "platform/gtk/LayeredWindow.h"
#include "platform/gtk/NativeWindows.h"
#include "platform/gtk/SignalConnection.h"
#include "platform/gtk/WindowShape.h"

namespace {

WindowShell s_shell = WindowShell::X11;

// _NET_WM_MOVERESIZE's actions.
constexpr long kMoveAction = 8;
constexpr long kCancelAction = 11;

// Asks the window manager to start or stop moving `window` with the pointer.
void SendMoveResize(GdkWindow* window, long x, long y, long action, long button) {
    XClientMessageEvent message{};
    message.type = ClientMessage;
    message.window = GDK_WINDOW_XID(window);
    message.message_type =
        gdk_x11_get_xatom_by_name_for_display(gdk_window_get_display(window), "_NET_WM_MOVERESIZE");
    message.format = 32;
    message.data.l[0] = x;
    message.data.l[1] = y;
    message.data.l[2] = action;
    message.data.l[3] = button;
    message.data.l[4] = 1;  // asked by an application
    XSendEvent(GDK_WINDOW_XDISPLAY(window),
               GDK_WINDOW_XID(gdk_screen_get_root_window(gdk_window_get_screen(window))), False,
               SubstructureRedirectMask | SubstructureNotifyMask,
               reinterpret_cast<XEvent*>(&message));
}

}  // namespace

WindowShell GetWindowShell() {
    return s_shell;
}

void SetWindowShell(WindowShell shell) {
    s_shell = shell;
}

// The window behind a CDialogWindow: a top-level window of its own or, for
// a window that lies over its owner in the layered shell, a layer of the
// owner's window (`surface`, inside the owner's `window`).
struct CDialogWindowImpl {
    explicit CDialogWindowImpl(CDialogWindow& self) : self(self) {}
    ~CDialogWindowImpl() { Destroy(); }
    static CDialogWindowImpl* Of(const CDialogWindow& window) { return window.m_pImpl.get(); }

    bool Build(int templateId);
    void BecomeLayerOf(CDialogWindow& owner);
    void ConnectEvents();
    void ConnectWindowEvents();
    void OnConfigure(const GdkEventConfigure& event);
    bool GetScreenOrigin(int& x, int& y) const;
    void BeginMoveDrag(const GdkEventButton& press);
    void EndMoveDrag(const GdkEventButton& release);
    bool OnPress(const GdkEventButton& press);
    bool OnKey(const GdkEventKey& key);
    void WatchFirstFrame();
    void Destroy();

    CDialogWindow& self;
    GObjectPtr<GtkBuilder> builder;
    CDialogWindow* owner = nullptr;
    // The top-level window it shows in, and what it paints on: the window
    // itself, or its layer.
    GtkWindow* window = nullptr;
    GtkWidget* surface = nullptr;
    bool layer = false;
    std::map<int, std::unique_ptr<CWindowItem>> items;
    CSignalConnections connections;
    CMessageLoop* modalLoop = nullptr;
    // The button a move that BeginMoveDrag asked for goes with, while the
    // window manager may still be waiting for its release; else 0.
    guint moveButton = 0;
    // The last screen position OnMove was told of, in screen pixels.
    int lastX = G_MININT;
    int lastY = G_MININT;
    CRect rect;
    bool holdsInput = false;
    bool firstFrameShown = false;
    CTimer firstFrame;
};

bool CDialogWindowImpl::Build(int templateId) {
    const std::optional<CResourceBytes> ui = FindResource(templateId, ResourceType::Dialog);
    if (!ui) {
        return false;
    }
    builder.reset(gtk_builder_new());
    GError* error = nullptr;
    if (!gtk_builder_add_from_string(builder.get(), ui->Text().data(), ui->Size(), &error)) {
        const GErrorPtr failure(error);
        g_printerr("login-launcher: window template %d: %s\n", templateId, error->message);
        builder.reset();
        return false;
    }
    window = GTK_WINDOW(gtk_builder_get_object(builder.get(), "dialog"));
    if (window == nullptr) {
        builder.reset();
        return false;
    }
    surface = GTK_WIDGET(window);
    gtk_widget_get_size_request(surface, &rect.width, &rect.height);
    return true;
}

// The template's window is left empty and never shown: its content goes
// into a layer over the owner's window, which paints and takes input as the
// window would.
void CDialogWindowImpl::BecomeLayerOf(CDialogWindow& ownerWindow) {
    GtkWindow* templateWindow = window;
    GtkWidget* content = gtk_bin_get_child(GTK_BIN(templateWindow));
    GtkWidget* box = gtk_event_box_new();
    gtk_event_box_set_visible_window(GTK_EVENT_BOX(box), FALSE);
    gtk_widget_set_app_paintable(box, TRUE);
    gtk_widget_set_size_request(box, rect.width, rect.height);
    if (content != nullptr) {
        g_object_ref(content);
        gtk_container_remove(GTK_CONTAINER(templateWindow), content);
        gtk_container_add(GTK_CONTAINER(box), content);
        g_object_unref(content);
    }
    window = NativeWindowOf(ownerWindow);
    if (GtkWidget* old = gtk_bin_get_child(GTK_BIN(window))) {
        gtk_container_remove(GTK_CONTAINER(window), old);
    }
    gtk_container_add(GTK_CONTAINER(window), box);
    gtk_widget_destroy(GTK_WIDGET(templateWindow));
    surface = box;
    layer = true;
}

bool CDialogWindow::Create(CDialogWindow* owner, bool show) {
    m_pImpl = std::make_unique<CDialogWindowImpl>(*this);
    CDialogWindowImpl& impl = *m_pImpl;
    if (!impl.Build(m_nTemplateId)) {
        m_pImpl.reset();
        return false;
    }
    impl.owner = owner;
    if (owner != nullptr && m_bOverOwner && GetWindowShell() == WindowShell::Layered &&
        NativeWindowOf(*owner) != nullptr) {
        impl.BecomeLayerOf(*owner);
    } else if (owner != nullptr) {
        gtk_window_set_transient_for(impl.window, NativeWindowOf(*owner));
        gtk_window_set_destroy_with_parent(impl.window, TRUE);
        // A desktop that places windows itself centres a modal dialog over
        // its owner.
        if (GetWindowShell() == WindowShell::Layered) {
            gtk_window_set_modal(impl.window, TRUE);
        }
    }
    if (m_bOverOwner && !impl.layer) {
        // The same visual as its owner's picture: compositing managers that
        // shadow every window with an opaque visual (metacity does) would
        // otherwise lay a shadow of this window's whole rectangle over the
        // picture.
        UseAlphaVisual(GTK_WIDGET(impl.window));
    }
    impl.ConnectEvents();
    OnInitDialog();
    if (m_pImpl != nullptr && show) {
        gtk_widget_show(impl.surface);
    }
    return m_pImpl != nullptr;
}

int CDialogWindow::DoModal(CDialogWindow* owner) {
    if (!Create(owner)) {
        return -1;
    }
    CMessageLoop loop;
    m_pImpl->modalLoop = &loop;
    const bool ended = loop.Run();
    if (m_pImpl != nullptr) {
        m_pImpl->modalLoop = nullptr;
    }
    m_pImpl.reset();
    return ended ? m_nModalResult : IDABORT;
}

void CDialogWindow::EndDialog(int result) {
    m_nModalResult = result;
    if (m_pImpl != nullptr && m_pImpl->modalLoop != nullptr) {
        m_pImpl->modalLoop->End();
    }
}

CDialogWindow::CDialogWindow(int templateId) : m_nTemplateId(templateId) {}

CDialogWindow::~CDialogWindow() = default;

bool CDialogWindow::IsWindow() const {
    return m_pImpl != nullptr && m_pImpl->surface != nullptr;
}

CWindowItem* CDialogWindow::GetDlgItem(int id) const {
    if (m_pImpl == nullptr || m_pImpl->builder == nullptr) {
        return nullptr;
    }
    auto& items = m_pImpl->items;
    if (const auto found = items.find(id); found != items.end()) {
        return found->second.get();
    }
    GObject* object = gtk_builder_get_object(m_pImpl->builder.get(), std::to_string(id).c_str());
    if (object == nullptr || !GTK_IS_WIDGET(object)) {
        return nullptr;
    }
    return items.emplace(id, MakeWindowItem(GTK_WIDGET(object))).first->second.get();
}

GtkWindow* NativeWindowOf(const CDialogWindow& window) {
    const CDialogWindowImpl* impl = CDialogWindowImpl::Of(window);
    return impl != nullptr ? impl->window : nullptr;
}

void CDialogWindow::ShowWindow(int showCommand) {
    if (!IsWindow()) {
        return;
    }
    CDialogWindowImpl& impl = *m_pImpl;
    switch (showCommand) {
        case SW_HIDE:
            gtk_widget_hide(impl.surface);
            break;
        case SW_MINIMIZE:
            gtk_window_iconify(impl.window);
            break;
        default:
            gtk_widget_show(impl.surface);
            if (!impl.layer) {
                gtk_window_deiconify(impl.window);
            }
            break;
    }
}

bool CDialogWindow::IsWindowVisible() const {
    return IsWindow() && gtk_widget_get_visible(m_pImpl->surface);
}

bool CDialogWindow::IsMapped() const {
    return IsWindow() && gtk_widget_get_mapped(m_pImpl->surface);
}

void CDialogWindow::MoveWindow(const CRect& rect) {
    if (!IsWindow()) {
        return;
    }
    CDialogWindowImpl& impl = *m_pImpl;
    impl.rect = rect;
    // A window that is not resizable takes exactly its size request, and the
    // window manager offers no way to change it.
    gtk_widget_set_size_request(impl.surface, rect.width, rect.height);
    if (impl.layer) {
        return;  // it lies where its owner is
    }
    gtk_window_resize(impl.window, rect.width, rect.height);
    gtk_window_move(impl.window, rect.x, rect.y);
    // GTK skips a move to where it asked the window to be before, even when
    // the window manager has put it elsewhere since: tell the X server too.
    GdkWindow* gdkWindow = gtk_widget_get_window(impl.surface);
    if (gtk_widget_get_mapped(impl.surface) && GDK_IS_X11_WINDOW(gdkWindow)) {
        gdk_window_move(gdkWindow, rect.x, rect.y);
    }
}

CRect CDialogWindow::GetWindowRect() const {
    if (!IsWindow()) {
        return {};
    }
    CRect rect = m_pImpl->rect;
    // Where the window really is now, which the window manager may have
    // changed without telling the window. A Wayland window knows no place
    // on the screen: its origin reads 0, 0.
    GtkWidget* top = GTK_WIDGET(m_pImpl->window);
    if (gtk_widget_get_mapped(top)) {
        gdk_window_get_origin(gtk_widget_get_window(top), &rect.x, &rect.y);
    }
    return rect;
}

void CDialogWindow::SetWindowText(std::string_view utf8) {
    if (IsWindow() && !m_pImpl->layer) {
        gtk_window_set_title(m_pImpl->window, std::string(utf8).c_str());
    }
}

void CDialogWindow::BringWindowToTop() {
    if (!IsWindow() || m_pImpl->layer || !gtk_widget_get_realized(m_pImpl->surface)) {
        return;
    }
    GdkWindow* gdkWindow = gtk_widget_get_window(m_pImpl->surface);
    gdk_window_raise(gdkWindow);
    // Tiling window managers (i3) ignore a raise, but raise the window they
    // are asked to make the active one.
    if (!gtk_window_is_active(m_pImpl->window) && GDK_IS_X11_WINDOW(gdkWindow)) {
        gtk_window_present_with_time(m_pImpl->window, gdk_x11_get_server_time(gdkWindow));
    }
}

void CDialogWindow::CenterWindow() {
    if (!IsWindow() || m_pImpl->layer) {
        return;
    }
    CDialogWindowImpl& impl = *m_pImpl;
    GdkRectangle area{0, 0, 0, 0};
    if (impl.owner != nullptr && impl.owner->IsWindow()) {
        const CRect owner = impl.owner->GetWindowRect();
        area = {owner.x, owner.y, owner.width, owner.height};
        // A window that cannot place itself is centred by the desktop.
        gtk_window_set_position(impl.window, GTK_WIN_POS_CENTER_ON_PARENT);
    } else {
        GdkDisplay* display = gtk_widget_get_display(impl.surface);
        GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
        if (monitor == nullptr) {
            monitor = gdk_display_get_monitor(display, 0);
        }
        if (monitor != nullptr) {
            gdk_monitor_get_workarea(monitor, &area);
        }
        gtk_window_set_position(impl.window, GTK_WIN_POS_CENTER);
    }
    CRect rect = impl.rect;
    rect.x = area.x + (area.width - rect.width) / 2;
    rect.y = area.y + (area.height - rect.height) / 2;
    MoveWindow(rect);
}

void CDialogWindow::AlignWith(const CDialogWindow& other) {
    if (!IsWindow() || m_pImpl->layer || !other.IsWindow()) {
        return;
    }
    CDialogWindowImpl& impl = *m_pImpl;
    int x = 0;
    int y = 0;
    GdkWindow* gdkWindow = gtk_widget_get_window(impl.surface);
    if (!gtk_widget_get_mapped(impl.surface) || !GDK_IS_X11_WINDOW(gdkWindow) ||
        !other.m_pImpl->GetScreenOrigin(x, y)) {
        const CRect there = other.GetWindowRect();
        MoveWindow({there.x, there.y, impl.rect.width, impl.rect.height});
        return;
    }
    // What gdk_window_move asks of the X server, without rounding to the
    // window's own pixels.
    impl.rect.x = x / GetScaleFactor();
    impl.rect.y = y / GetScaleFactor();
    XMoveWindow(GDK_WINDOW_XDISPLAY(gdkWindow), GDK_WINDOW_XID(gdkWindow), x, y);
}

bool CDialogWindow::IsAlignedWith(const CDialogWindow& other) const {
    if (IsWindow() && m_pImpl->layer) {
        return true;
    }
    int x = 0;
    int y = 0;
    int otherX = 0;
    int otherY = 0;
    if (IsWindow() && other.IsWindow() && m_pImpl->GetScreenOrigin(x, y) &&
        other.m_pImpl->GetScreenOrigin(otherX, otherY)) {
        return x == otherX && y == otherY;
    }
    const CRect mine = GetWindowRect();
    const CRect there = other.GetWindowRect();
    return mine.x == there.x && mine.y == there.y;
}

int CDialogWindow::GetScaleFactor() const {
    return IsWindow() ? gtk_widget_get_scale_factor(m_pImpl->surface) : 1;
}

void CDialogWindow::Invalidate() {
    if (IsWindow()) {
        gtk_widget_queue_draw(m_pImpl->surface);
    }
}

void CDialogWindow::InvalidateRect(const CRect& rect) {
    if (IsWindow()) {
        gtk_widget_queue_draw_area(m_pImpl->surface, rect.x, rect.y, rect.width, rect.height);
    }
}

void CDialogWindow::SetLayeredPicture(cairo_surface_t* picture) {
    if (IsWindow() && !m_pImpl->layer) {
        ShowLayeredPicture(m_pImpl->window, picture);
    }
}

void CDialogWindow::SetShape(const cairo_region_t* region) {
    if (!IsWindow()) {
        return;
    }
    SetWindowShape(GTK_WIDGET(m_pImpl->window), region,
                   m_pImpl->layer ? ShapePart::Layer : ShapePart::Own);
}

void CDialogWindow::SetIcons(const std::vector<cairo_surface_t*>& icons) {
    if (!IsWindow() || m_pImpl->layer) {
        return;
    }
    GList* list = nullptr;
    for (cairo_surface_t* icon : icons) {
        if (GdkPixbuf* pixbuf =
                gdk_pixbuf_get_from_surface(icon, 0, 0, cairo_image_surface_get_width(icon),
                                            cairo_image_surface_get_height(icon))) {
            list = g_list_append(list, pixbuf);
        }
    }
    gtk_window_set_icon_list(m_pImpl->window, list);
    g_list_free_full(list, g_object_unref);
}

void CDialogWindow::HoldInput(bool hold) {
    if (!IsWindow() || m_pImpl->holdsInput == hold) {
        return;
    }
    m_pImpl->holdsInput = hold;
    if (hold) {
        // Events that the grab turns to this window must find it realized,
        // even while it is not on the screen.
        gtk_widget_realize(m_pImpl->surface);
        gtk_grab_add(m_pImpl->surface);
    } else {
        gtk_grab_remove(m_pImpl->surface);
    }
}

bool CDialogWindowImpl::GetScreenOrigin(int& x, int& y) const {
    GdkWindow* gdkWindow = window != nullptr ? gtk_widget_get_window(GTK_WIDGET(window)) : nullptr;
    if (gdkWindow == nullptr) {
        return false;
    }
    if (!GDK_IS_X11_WINDOW(gdkWindow)) {
        gdk_window_get_origin(gdkWindow, &x, &y);
        x *= self.GetScaleFactor();
        y *= self.GetScaleFactor();
        return true;
    }
    // GDK rounds the position down to the window's own pixels.
    Window child = 0;
    XTranslateCoordinates(
        GDK_WINDOW_XDISPLAY(gdkWindow), GDK_WINDOW_XID(gdkWindow),
        GDK_WINDOW_XID(gdk_screen_get_root_window(gdk_window_get_screen(gdkWindow))), 0, 0, &x, &y,
        &child);
    return true;
}

void CDialogWindowImpl::BeginMoveDrag(const GdkEventButton& press) {
    GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(window));
    const int scale = self.GetScaleFactor();
    if (scale == 1 || !GDK_IS_X11_WINDOW(gdkWindow) ||
        !gdk_x11_screen_supports_net_wm_hint(gdk_window_get_screen(gdkWindow),
                                             gdk_atom_intern_static_string("_NET_WM_MOVERESIZE"))) {
        gtk_window_begin_move_drag(window, int(press.button), int(press.x_root), int(press.y_root),
                                   press.time);
        return;
    }
    // GTK hands the window manager the pointer's place in the window's own
    // pixels, two screen pixels each at scale 2, and the window would then
    // trail the pointer by a screen pixel: ask as GTK does, to the pixel.
    gdk_seat_ungrab(gdk_device_get_seat(press.device));
    SendMoveResize(gdkWindow, std::lround(press.x_root * scale), std::lround(press.y_root * scale),
                   kMoveAction, long(press.button));
    moveButton = press.button;
}

// A release that reaches the window came before the window manager took the
// pointer, which then waits for one that never comes: the move is over.
void CDialogWindowImpl::EndMoveDrag(const GdkEventButton& release) {
    if (moveButton == 0 || release.button != moveButton) {
        return;
    }
    moveButton = 0;
    SendMoveResize(gtk_widget_get_window(GTK_WIDGET(window)), 0, 0, kCancelAction,
                   long(release.button));
}

bool CDialogWindowImpl::OnPress(const GdkEventButton& press) {
    moveButton = 0;
    if (press.type != GDK_BUTTON_PRESS || press.button != GDK_BUTTON_PRIMARY ||
        self.OnNcHitTest() != HitTest::Caption) {
        return false;
    }
    BeginMoveDrag(press);
    return true;
}

bool CDialogWindowImpl::OnKey(const GdkEventKey& key) {
    switch (key.keyval) {
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
            self.OnOK();
            return true;
        case GDK_KEY_Escape:
            self.OnCancel();
            return true;
        default:
            return false;
    }
}

void CDialogWindowImpl::OnConfigure(const GdkEventConfigure& event) {
    // The event's position is relative to the window's parent, which is a
    // window manager's frame once there is one: ask for the screen position.
    int x = event.x;
    int y = event.y;
    gdk_window_get_origin(event.window, &x, &y);
    rect = {x, y, event.width, event.height};
    // A move by a single screen pixel is a move, even where the window's
    // own pixels are two screen pixels wide.
    GetScreenOrigin(x, y);
    if (x != lastX || y != lastY) {
        lastX = x;
        lastY = y;
        self.OnMove();
    }
}

// The first frame has gone to the display once the main loop is idle after
// the draw it belongs to.
void CDialogWindowImpl::WatchFirstFrame() {
    connections.Add(surface, "draw",
                    G_CALLBACK(+[](GtkWidget*, cairo_t*, CDialogWindowImpl* impl) -> gboolean {
                        if (!impl->firstFrameShown && !impl->firstFrame.IsRunning()) {
                            impl->firstFrame.StartIdle([impl] {
                                impl->firstFrameShown = true;
                                impl->self.OnFirstFrameShown();
                            });
                        }
                        return FALSE;
                    }),
                    this);
}

void CDialogWindowImpl::ConnectEvents() {
    gtk_widget_add_events(surface, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                       GDK_POINTER_MOTION_MASK | GDK_STRUCTURE_MASK);
    connections.Add(surface, "draw",
                    G_CALLBACK(+[](GtkWidget*, cairo_t* cr, CDialogWindowImpl* impl) -> gboolean {
                        cairo_save(cr);
                        impl->self.OnPaint(cr);
                        cairo_restore(cr);
                        return FALSE;  // the items draw over it
                    }),
                    this);
    WatchFirstFrame();
    // Motion, not crossing: a window that moves under a still pointer makes
    // the pointer cross without the player doing anything.
    connections.Add(
        surface, "motion-notify-event",
        G_CALLBACK(+[](GtkWidget*, GdkEventMotion*, CDialogWindowImpl* impl) -> gboolean {
            impl->self.OnNcHitTest();
            return FALSE;
        }),
        this);
    connections.Add(
        surface, "button-press-event",
        G_CALLBACK(+[](GtkWidget*, GdkEventButton* e, CDialogWindowImpl* impl) -> gboolean {
            return impl->OnPress(*e);
        }),
        this);
    connections.Add(
        surface, "button-release-event",
        G_CALLBACK(+[](GtkWidget*, GdkEventButton* e, CDialogWindowImpl* impl) -> gboolean {
            impl->EndMoveDrag(*e);
            return FALSE;
        }),
        this);
    connections.Add(surface, "show", G_CALLBACK(+[](GtkWidget*, CDialogWindowImpl* impl) {
                        impl->self.OnShowWindow(true);
                    }),
                    this);
    connections.Add(surface, "hide", G_CALLBACK(+[](GtkWidget*, CDialogWindowImpl* impl) {
                        impl->self.OnShowWindow(false);
                    }),
                    this);
    connections.Add(surface, "map", G_CALLBACK(+[](GtkWidget*, CDialogWindowImpl* impl) {
                        // Once the window is on the screen, not when asked to be.
                        if (impl->layer) {
                            impl->self.OnMapped();
                        }
                    }),
                    this);
    connections.Add(surface, "notify::scale-factor",
                    G_CALLBACK(+[](GtkWidget*, GParamSpec*, CDialogWindowImpl* impl) {
                        impl->self.OnScaleChanged();
                    }),
                    this);
    // The window may go before this object does (with its owner, say).
    connections.Add(surface, "destroy", G_CALLBACK(+[](GtkWidget*, CDialogWindowImpl* impl) {
                        impl->connections.Clear();
                        impl->items.clear();
                        impl->surface = nullptr;
                        impl->window = nullptr;
                    }),
                    this);
    if (!layer) {
        ConnectWindowEvents();
    }
}

// What only a top-level window of its own is told.
void CDialogWindowImpl::ConnectWindowEvents() {
    // The windows draw all of themselves: a Wayland compositor that would
    // frame them (sway does, unless told) is told they need no frame.
    connections.Add(window, "realize", G_CALLBACK(+[](GtkWidget* widget, gpointer) {
                        GdkWindow* gdkWindow = gtk_widget_get_window(widget);
                        if (GDK_IS_WAYLAND_WINDOW(gdkWindow)) {
                            gdk_wayland_window_announce_csd(gdkWindow);
                        }
                    }),
                    nullptr, true);
    connections.Add(
        window, "configure-event",
        G_CALLBACK(+[](GtkWidget*, GdkEventConfigure* e, CDialogWindowImpl* impl) -> gboolean {
            impl->OnConfigure(*e);
            return FALSE;
        }),
        this);
    connections.Add(
        window, "window-state-event",
        G_CALLBACK(+[](GtkWidget*, GdkEventWindowState* e, CDialogWindowImpl* impl) -> gboolean {
            if ((e->changed_mask & GDK_WINDOW_STATE_ICONIFIED) != 0) {
                impl->self.OnMinimized((e->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0);
            }
            return FALSE;
        }),
        this);
    connections.Add(window, "map-event",
                    G_CALLBACK(+[](GtkWidget*, GdkEvent*, CDialogWindowImpl* impl) -> gboolean {
                        impl->self.OnMapped();
                        return FALSE;
                    }),
                    this);
    connections.Add(window, "focus-in-event",
                    G_CALLBACK(+[](GtkWidget*, GdkEvent*, CDialogWindowImpl* impl) -> gboolean {
                        impl->self.OnActivate();
                        return FALSE;
                    }),
                    this);
    connections.Add(window, "delete-event",
                    G_CALLBACK(+[](GtkWidget*, GdkEvent*, CDialogWindowImpl* impl) -> gboolean {
                        impl->self.OnClose();
                        return TRUE;
                    }),
                    this);
    // Runs after the window's own handling, so the item with the focus (a
    // web page's form, say) gets Enter and Esc first.
    connections.Add(
        window, "key-press-event",
        G_CALLBACK(+[](GtkWidget*, GdkEventKey* e, CDialogWindowImpl* impl) -> gboolean {
            return impl->OnKey(*e);
        }),
        this, true);
}

void CDialogWindowImpl::Destroy() {
    firstFrame.Stop();
    if (holdsInput && surface != nullptr) {
        gtk_grab_remove(surface);
    }
    connections.Clear();
    items.clear();
    if (surface != nullptr) {
        gtk_widget_destroy(surface);
    }
    surface = nullptr;
    window = nullptr;
    builder.reset();
}
