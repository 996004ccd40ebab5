#pragma once

// The toolkit's side of a CDialogWindow, shared by the files that make it
// (DialogWindowGtk.cpp), connect its events (DialogWindowEvents.cpp) and move
// it with the pointer (MoveDrag.cpp).

#include <gtk/gtk.h>

#include <map>
#include <memory>
#include <set>

#include "platform/DialogWindow.h"
#include "platform/GLibPtr.h"
#include "platform/MessageLoop.h"
#include "platform/Timer.h"
#include "platform/gtk/SignalConnection.h"

// The window behind a CDialogWindow: a top-level window of its own or, for
// a window that lies over its owner in the layered shell, a layer of the
// owner's window (`surface`, inside the owner's `window`).
struct CDialogWindowImpl {
    explicit CDialogWindowImpl(CDialogWindow& self) : self(self) {}
    ~CDialogWindowImpl() { Destroy(); }
    static CDialogWindowImpl* Of(const CDialogWindow& window) { return window.m_pImpl.get(); }

    bool Build(int templateId);
    GtkWidget* TakeContentIntoLayer();
    void BecomeLayerOf(CDialogWindow& owner);
    void JoinStage(CDialogWindow* owner, bool overOwner);
    cairo_rectangle_int_t PartShown(cairo_surface_t* picture) const;
    void ConnectEvents();
    void ConnectWindowEvents();
    void OnConfigure(const GdkEventConfigure& event);
    bool GetScreenOrigin(int& x, int& y) const;
    void BeginMoveDrag(const GdkEventButton& press);
    void EndMoveDrag(const GdkEventButton& release);
    bool OnPress(const GdkEventButton& press);
    bool OnKey(const GdkEventKey& key);
    bool IsTabDoneAlready(const GdkEventKey& key);
    bool IsEarlyAnswer(const GdkEventKey& key);
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
    // The last Tab the window was given, and which item had the keyboard
    // then (compared, never used).
    struct {
        guint32 time = 0;
        guint keyval = 0;
        guint16 keycode = 0;
        const GtkWidget* focus = nullptr;
    } lastTab;
    bool holdsInput = false;
    // IgnoreEarlyKeys: how long, from when the window came on the screen
    // (monotonic microseconds), and the keys held down since too early.
    unsigned earlyKeysMs = 0;
    gint64 shownAt = 0;
    std::set<guint16> keysHeldEarly;
    bool firstFrameShown = false;
    CTimer firstFrame;
};
