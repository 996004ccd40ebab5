// Moving a window with the pointer, and where it is, to the screen's pixel.

#include <gdk/gdkx.h>

#include <cmath>

#include "platform/gtk/DialogWindowImpl.h"

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
