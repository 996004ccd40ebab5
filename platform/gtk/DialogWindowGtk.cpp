#include <gdk/gdkx.h>

#include <cmath>
#include <string>

#include "platform/DialogWindow.h"
#include "platform/MessageLoop.h"
#include "platform/Resources.h"

CDialogWindow::CDialogWindow(int templateId) : m_nTemplateId(templateId) {}

CDialogWindow::~CDialogWindow() {
    DestroyWindow();
}

bool CDialogWindow::Create(CDialogWindow* owner, bool show) {
    const std::optional<CResourceBytes> ui = FindResource(m_nTemplateId, ResourceType::Dialog);
    if (!ui) {
        return false;
    }
    m_pBuilder.reset(gtk_builder_new());
    GError* error = nullptr;
    if (!gtk_builder_add_from_string(m_pBuilder.get(), ui->Text().data(), ui->Size(), &error)) {
        const GErrorPtr failure(error);
        g_printerr("login-launcher: window template %d: %s\n", m_nTemplateId, error->message);
        m_pBuilder.reset();
        return false;
    }
    m_hWnd = GTK_WINDOW(gtk_builder_get_object(m_pBuilder.get(), "dialog"));
    if (m_hWnd == nullptr) {
        m_pBuilder.reset();
        return false;
    }
    gtk_widget_get_size_request(GTK_WIDGET(m_hWnd), &m_rect.width, &m_rect.height);
    m_pOwnerWnd = owner;
    if (owner != nullptr) {
        gtk_window_set_transient_for(m_hWnd, owner->GetSafeHwnd());
        gtk_window_set_destroy_with_parent(m_hWnd, TRUE);
    }
    ConnectEvents();
    OnInitDialog();
    if (m_hWnd != nullptr && show) {
        gtk_widget_show(GTK_WIDGET(m_hWnd));
    }
    return m_hWnd != nullptr;
}

int CDialogWindow::DoModal(CDialogWindow* owner) {
    if (!Create(owner)) {
        return -1;
    }
    CMessageLoop loop;
    m_pModalLoop = &loop;
    const bool ended = loop.Run();
    m_pModalLoop = nullptr;
    DestroyWindow();
    return ended ? m_nModalResult : IDABORT;
}

void CDialogWindow::EndDialog(int result) {
    m_nModalResult = result;
    if (m_pModalLoop != nullptr) {
        m_pModalLoop->End();
    }
}

GtkWidget* CDialogWindow::GetDlgItem(int id) const {
    if (m_pBuilder == nullptr) {
        return nullptr;
    }
    GObject* item = gtk_builder_get_object(m_pBuilder.get(), std::to_string(id).c_str());
    return item != nullptr && GTK_IS_WIDGET(item) ? GTK_WIDGET(item) : nullptr;
}

void CDialogWindow::ShowWindow(int showCommand) {
    if (m_hWnd == nullptr) {
        return;
    }
    switch (showCommand) {
        case SW_HIDE:
            gtk_widget_hide(GTK_WIDGET(m_hWnd));
            break;
        case SW_MINIMIZE:
            gtk_window_iconify(m_hWnd);
            break;
        default:
            gtk_widget_show(GTK_WIDGET(m_hWnd));
            gtk_window_deiconify(m_hWnd);
            break;
    }
}

void CDialogWindow::MoveWindow(const CRect& rect) {
    if (m_hWnd == nullptr) {
        return;
    }
    m_rect = rect;
    // A window that is not resizable takes exactly its size request, and the
    // window manager offers no way to change it.
    gtk_widget_set_size_request(GTK_WIDGET(m_hWnd), rect.width, rect.height);
    gtk_window_resize(m_hWnd, rect.width, rect.height);
    gtk_window_move(m_hWnd, rect.x, rect.y);
    // GTK skips a move to where it asked the window to be before, even when
    // the window manager has put it elsewhere since: tell the X server too.
    if (gtk_widget_get_mapped(GTK_WIDGET(m_hWnd))) {
        gdk_window_move(gtk_widget_get_window(GTK_WIDGET(m_hWnd)), rect.x, rect.y);
    }
}

CRect CDialogWindow::GetWindowRect() const {
    CRect rect = m_rect;
    // Where the window really is now, which the window manager may have
    // changed without telling the window.
    if (m_hWnd != nullptr && gtk_widget_get_mapped(GTK_WIDGET(m_hWnd))) {
        gdk_window_get_origin(gtk_widget_get_window(GTK_WIDGET(m_hWnd)), &rect.x, &rect.y);
    }
    return rect;
}

void CDialogWindow::SetWindowText(std::string_view utf8) {
    if (m_hWnd != nullptr) {
        gtk_window_set_title(m_hWnd, std::string(utf8).c_str());
    }
}

void CDialogWindow::BringWindowToTop() {
    if (m_hWnd != nullptr && gtk_widget_get_realized(GTK_WIDGET(m_hWnd))) {
        gdk_window_raise(gtk_widget_get_window(GTK_WIDGET(m_hWnd)));
    }
}

void CDialogWindow::CenterWindow() {
    if (m_hWnd == nullptr) {
        return;
    }
    GdkRectangle area{0, 0, 0, 0};
    if (m_pOwnerWnd != nullptr && m_pOwnerWnd->GetSafeHwnd() != nullptr) {
        const CRect owner = m_pOwnerWnd->GetWindowRect();
        area = {owner.x, owner.y, owner.width, owner.height};
    } else {
        GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(m_hWnd));
        GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
        if (monitor == nullptr) {
            monitor = gdk_display_get_monitor(display, 0);
        }
        if (monitor != nullptr) {
            gdk_monitor_get_workarea(monitor, &area);
        }
    }
    CRect rect = m_rect;
    rect.x = area.x + (area.width - rect.width) / 2;
    rect.y = area.y + (area.height - rect.height) / 2;
    MoveWindow(rect);
}

void CDialogWindow::AlignWith(const CDialogWindow& other) {
    if (m_hWnd == nullptr) {
        return;
    }
    int x = 0;
    int y = 0;
    GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(m_hWnd));
    if (!gtk_widget_get_mapped(GTK_WIDGET(m_hWnd)) || !GDK_IS_X11_WINDOW(window) ||
        !other.GetScreenOrigin(x, y)) {
        const CRect there = other.GetWindowRect();
        MoveWindow({there.x, there.y, m_rect.width, m_rect.height});
        return;
    }
    // What gdk_window_move asks of the X server, without rounding to the
    // window's own pixels.
    m_rect.x = x / GetScaleFactor();
    m_rect.y = y / GetScaleFactor();
    XMoveWindow(GDK_WINDOW_XDISPLAY(window), GDK_WINDOW_XID(window), x, y);
}

bool CDialogWindow::IsAlignedWith(const CDialogWindow& other) const {
    int x = 0;
    int y = 0;
    int otherX = 0;
    int otherY = 0;
    if (GetScreenOrigin(x, y) && other.GetScreenOrigin(otherX, otherY)) {
        return x == otherX && y == otherY;
    }
    const CRect mine = GetWindowRect();
    const CRect there = other.GetWindowRect();
    return mine.x == there.x && mine.y == there.y;
}

int CDialogWindow::GetScaleFactor() const {
    return m_hWnd != nullptr ? gtk_widget_get_scale_factor(GTK_WIDGET(m_hWnd)) : 1;
}

bool CDialogWindow::GetScreenOrigin(int& x, int& y) const {
    GdkWindow* window = m_hWnd != nullptr ? gtk_widget_get_window(GTK_WIDGET(m_hWnd)) : nullptr;
    if (window == nullptr) {
        return false;
    }
    if (!GDK_IS_X11_WINDOW(window)) {
        gdk_window_get_origin(window, &x, &y);
        x *= GetScaleFactor();
        y *= GetScaleFactor();
        return true;
    }
    // GDK rounds the position down to the window's own pixels.
    Window child = 0;
    XTranslateCoordinates(GDK_WINDOW_XDISPLAY(window), GDK_WINDOW_XID(window),
                          GDK_WINDOW_XID(gdk_screen_get_root_window(gdk_window_get_screen(window))),
                          0, 0, &x, &y, &child);
    return true;
}

namespace {

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

void CDialogWindow::BeginMoveDrag(const GdkEventButton& press) {
    GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(m_hWnd));
    const int scale = GetScaleFactor();
    if (scale == 1 || !GDK_IS_X11_WINDOW(window) ||
        !gdk_x11_screen_supports_net_wm_hint(gdk_window_get_screen(window),
                                             gdk_atom_intern_static_string("_NET_WM_MOVERESIZE"))) {
        gtk_window_begin_move_drag(m_hWnd, int(press.button), int(press.x_root), int(press.y_root),
                                   press.time);
        return;
    }
    // GTK hands the window manager the pointer's place in the window's own
    // pixels, two screen pixels each at scale 2, and the window would then
    // trail the pointer by a screen pixel: ask as GTK does, to the pixel.
    gdk_seat_ungrab(gdk_device_get_seat(press.device));
    SendMoveResize(window, std::lround(press.x_root * scale), std::lround(press.y_root * scale),
                   kMoveAction, long(press.button));
    m_nMoveButton = press.button;
}

// A release that reaches the window came before the window manager took the
// pointer, which then waits for one that never comes: the move is over.
void CDialogWindow::EndMoveDrag(const GdkEventButton& release) {
    if (m_nMoveButton == 0 || release.button != m_nMoveButton) {
        return;
    }
    m_nMoveButton = 0;
    SendMoveResize(gtk_widget_get_window(GTK_WIDGET(m_hWnd)), 0, 0, kCancelAction,
                   long(release.button));
}

void CDialogWindow::OnConfigure(const GdkEventConfigure& event) {
    // The event's position is relative to the window's parent, which is a
    // window manager's frame once there is one: ask for the screen position.
    int x = event.x;
    int y = event.y;
    gdk_window_get_origin(event.window, &x, &y);
    m_rect = {x, y, event.width, event.height};
    // A move by a single screen pixel is a move, even where the window's
    // own pixels are two screen pixels wide.
    GetScreenOrigin(x, y);
    if (x != m_nLastX || y != m_nLastY) {
        m_nLastX = x;
        m_nLastY = y;
        OnMove();
    }
}

void CDialogWindow::ConnectEvents() {
    GtkWidget* w = GTK_WIDGET(m_hWnd);
    gtk_widget_add_events(w, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                 GDK_POINTER_MOTION_MASK | GDK_STRUCTURE_MASK);

    g_signal_connect(
        w, "configure-event",
        G_CALLBACK(+[](GtkWidget*, GdkEventConfigure* e, CDialogWindow* self) -> gboolean {
            self->OnConfigure(*e);
            return FALSE;
        }),
        this);
    // Motion, not crossing: a window that moves under a still pointer makes
    // the pointer cross without the player doing anything.
    g_signal_connect(w, "motion-notify-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEventMotion*, CDialogWindow* self) -> gboolean {
                         self->OnNcHitTest();
                         return FALSE;
                     }),
                     this);
    g_signal_connect(
        w, "button-press-event",
        G_CALLBACK(+[](GtkWidget*, GdkEventButton* e, CDialogWindow* self) -> gboolean {
            self->m_nMoveButton = 0;
            if (e->type != GDK_BUTTON_PRESS || e->button != GDK_BUTTON_PRIMARY ||
                self->OnNcHitTest() != HitTest::Caption) {
                return FALSE;
            }
            self->BeginMoveDrag(*e);
            return TRUE;
        }),
        this);
    g_signal_connect(
        w, "button-release-event",
        G_CALLBACK(+[](GtkWidget*, GdkEventButton* e, CDialogWindow* self) -> gboolean {
            self->EndMoveDrag(*e);
            return FALSE;
        }),
        this);
    g_signal_connect(w, "show",
                     G_CALLBACK(+[](GtkWidget*, CDialogWindow* self) { self->OnShowWindow(true); }),
                     this);
    g_signal_connect(
        w, "hide", G_CALLBACK(+[](GtkWidget*, CDialogWindow* self) { self->OnShowWindow(false); }),
        this);
    g_signal_connect(
        w, "window-state-event",
        G_CALLBACK(+[](GtkWidget*, GdkEventWindowState* e, CDialogWindow* self) -> gboolean {
            if ((e->changed_mask & GDK_WINDOW_STATE_ICONIFIED) != 0) {
                self->OnMinimized((e->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0);
            }
            return FALSE;
        }),
        this);
    g_signal_connect(w, "map-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEvent*, CDialogWindow* self) -> gboolean {
                         self->OnMapped();
                         return FALSE;
                     }),
                     this);
    g_signal_connect(w, "focus-in-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEvent*, CDialogWindow* self) -> gboolean {
                         self->OnActivate();
                         return FALSE;
                     }),
                     this);
    g_signal_connect(
        w, "notify::scale-factor",
        G_CALLBACK(+[](GtkWidget*, GParamSpec*, CDialogWindow* self) { self->OnScaleChanged(); }),
        this);
    g_signal_connect(w, "delete-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEvent*, CDialogWindow* self) -> gboolean {
                         self->OnClose();
                         return TRUE;
                     }),
                     this);
    // Runs after the window's own handling, so the item with the focus (a
    // web page's form, say) gets Enter and Esc first.
    g_signal_connect_after(
        w, "key-press-event",
        G_CALLBACK(+[](GtkWidget*, GdkEventKey* e, CDialogWindow* self) -> gboolean {
            switch (e->keyval) {
                case GDK_KEY_Return:
                case GDK_KEY_KP_Enter:
                    self->OnOK();
                    return TRUE;
                case GDK_KEY_Escape:
                    self->OnCancel();
                    return TRUE;
                default:
                    return FALSE;
            }
        }),
        this);
    // The window may go before this object does (with its owner, say).
    g_signal_connect(w, "destroy",
                     G_CALLBACK(+[](GtkWidget*, CDialogWindow* self) { self->m_hWnd = nullptr; }),
                     this);
}

void CDialogWindow::DestroyWindow() {
    if (m_hWnd != nullptr) {
        g_signal_handlers_disconnect_by_data(m_hWnd, this);
        gtk_widget_destroy(GTK_WIDGET(m_hWnd));
        m_hWnd = nullptr;
    }
    m_pBuilder.reset();
}
