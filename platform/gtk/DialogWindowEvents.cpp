// The toolkit's events of a window, turned into CDialogWindow's handlers.

#include <gdk/gdkwayland.h>

#include "platform/gtk/DialogWindowImpl.h"
#include "platform/gtk/NativeWindows.h"

bool CDialogWindowImpl::OnPress(const GdkEventButton& press) {
    moveButton = 0;
    if (press.type != GDK_BUTTON_PRESS || press.button != GDK_BUTTON_PRIMARY ||
        self.OnNcHitTest() != HitTest::Caption) {
        return false;
    }
    // The stage covers the screen: there is nowhere to move it to.
    if (GetWindowShell() == WindowShell::GameMode) {
        return true;
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

// The web engine hands a key its page did not take back to the window: the
// same event, a second time. A Tab out of the page's last field has by then
// moved the keyboard to the window's next item already (the engine does
// that itself), and the window would move it once more, past that item. A
// Tab that comes again after the keyboard has moved has done its work.
bool CDialogWindowImpl::IsTabDoneAlready(const GdkEventKey& key) {
    if (key.keyval != GDK_KEY_Tab && key.keyval != GDK_KEY_ISO_Left_Tab &&
        key.keyval != GDK_KEY_KP_Tab) {
        return false;
    }
    const GtkWidget* focus = gtk_window_get_focus(window);
    // A key made up without a time of its own is never taken for another.
    if (key.time != GDK_CURRENT_TIME && key.time == lastTab.time && key.keyval == lastTab.keyval &&
        key.hardware_keycode == lastTab.keycode) {
        return focus != lastTab.focus;
    }
    lastTab = {key.time, key.keyval, key.hardware_keycode, focus};
    return false;
}

// Enter or Space while the window has not been on the screen long enough
// to be seen, or still held down from then: swallowed (IgnoreEarlyKeys).
bool CDialogWindowImpl::IsEarlyAnswer(const GdkEventKey& key) {
    switch (key.keyval) {
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
        case GDK_KEY_ISO_Enter:
        case GDK_KEY_space:
        case GDK_KEY_KP_Space:
            break;
        default:
            return false;
    }
    if (earlyKeysMs == 0) {
        return false;
    }
    if (key.type == GDK_KEY_RELEASE) {
        return keysHeldEarly.erase(key.hardware_keycode) > 0;
    }
    const bool early =
        shownAt == 0 || g_get_monotonic_time() - shownAt < gint64(earlyKeysMs) * 1000;
    if (early || keysHeldEarly.contains(key.hardware_keycode)) {
        keysHeldEarly.insert(key.hardware_keycode);
        return true;
    }
    return false;
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
                        impl->shownAt = g_get_monotonic_time();
                        if (impl->layer) {
                            impl->self.OnMapped();
                        }
                    }),
                    this);
    for (const char* key : {"key-press-event", "key-release-event"}) {
        // Before the items' and the window's own handling of the key.
        GtkWidget* first = layer ? surface : GTK_WIDGET(window);
        connections.Add(
            first, key,
            G_CALLBACK(+[](GtkWidget*, GdkEventKey* e, CDialogWindowImpl* impl) -> gboolean {
                return impl->IsEarlyAnswer(*e);
            }),
            this);
    }
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
    } else if (!self.m_bOverOwner) {
        // A dialog drawn as a layer of the stage: Esc comes up to it from
        // its items. Enter and Space are left to the window's own keys,
        // which press the button that has the keyboard, and which come
        // only after the items and the layers holding them.
        connections.Add(
            surface, "key-press-event",
            G_CALLBACK(+[](GtkWidget*, GdkEventKey* e, CDialogWindowImpl* impl) -> gboolean {
                return e->keyval == GDK_KEY_Escape && impl->OnKey(*e);
            }),
            this);
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
    // Before the window's own handling, which moves the keyboard on Tab.
    connections.Add(
        window, "key-press-event",
        G_CALLBACK(+[](GtkWidget*, GdkEventKey* e, CDialogWindowImpl* impl) -> gboolean {
            return impl->IsTabDoneAlready(*e);
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
