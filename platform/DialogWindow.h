#pragma once

// A top-level window built from one of the program's window templates, with
// the handful of window events the program's windows react to turned into
// virtual handlers. The program's three windows derive from it.

#include <gtk/gtk.h>

#include <string_view>

#include "platform/OwnedPtr.h"

class CMessageLoop;

// Results of a modal run.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;  // ended by a quit request

// Show commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_MINIMIZE = 6;

// What a press on the window does.
enum class HitTest {
    Nowhere,  // nothing
    Client,   // the window handles it
    Caption,  // it drags the window
};

struct CRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class CDialogWindow {
public:
    explicit CDialogWindow(int templateId);
    virtual ~CDialogWindow();
    CDialogWindow(const CDialogWindow&) = delete;
    CDialogWindow& operator=(const CDialogWindow&) = delete;

    // Builds the window from its template, owned by `owner` when given (it
    // then stays above its owner and goes with it), runs OnInitDialog and,
    // unless told otherwise, shows it. False when the template cannot be
    // built.
    bool Create(CDialogWindow* owner, bool show = true);

    // Creates the window (owned by `owner` when given) and runs a main loop
    // until EndDialog or a quit request, then destroys it. Returns the
    // EndDialog result, IDABORT after a quit request, or -1 when the window
    // could not be created.
    int DoModal(CDialogWindow* owner = nullptr);
    void EndDialog(int result);

    GtkWindow* GetSafeHwnd() const { return m_hWnd; }
    // The template's item with that id, or null.
    GtkWidget* GetDlgItem(int id) const;

    void ShowWindow(int showCommand);
    void MoveWindow(const CRect& rect);
    CRect GetWindowRect() const;
    void SetWindowText(std::string_view utf8);
    // Puts the window above the others.
    void BringWindowToTop();
    // Centres the window over its owner, or on the screen's work area when
    // it has none.
    void CenterWindow();
    // Moves the window, keeping its size, so that its top-left corner lies
    // exactly on `other`'s. Exact to the screen's pixel: on a desktop that
    // scales windows, the player may drag a window to a place between two
    // of its (logical) pixels, where MoveWindow cannot put another.
    void AlignWith(const CDialogWindow& other);
    bool IsAlignedWith(const CDialogWindow& other) const;
    // Screen pixels to each of the window's pixels: 1, or 2 on a desktop
    // that scales windows by two. The window's places and sizes are all in
    // its own pixels.
    int GetScaleFactor() const;

protected:
    virtual bool OnInitDialog() { return true; }
    // The window's position on the screen changed.
    virtual void OnMove() {}
    // The pointer moved over the window or pressed on its own surface (not
    // on an item that takes the press itself).
    virtual HitTest OnNcHitTest() { return HitTest::Client; }
    virtual void OnShowWindow(bool /*show*/) {}
    // The window went to or came back from the task bar.
    virtual void OnMinimized(bool /*minimized*/) {}
    // The window became the active one.
    virtual void OnActivate() {}
    // The window is on screen, where the window manager put it.
    virtual void OnMapped() {}
    // The window's scale factor changed (the desktop's setting did).
    virtual void OnScaleChanged() {}
    // The window manager asks the window to close.
    virtual void OnClose() { EndDialog(IDCANCEL); }
    // Enter and Esc that no item of the window took.
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

private:
    void ConnectEvents();
    void OnConfigure(const GdkEventConfigure& event);
    void DestroyWindow();
    // Where the window's top-left corner is, in screen pixels; false when
    // it is not on a display yet.
    bool GetScreenOrigin(int& x, int& y) const;
    // Lets the window manager move the window with the pointer from `press`.
    void BeginMoveDrag(const GdkEventButton& press);
    void EndMoveDrag(const GdkEventButton& release);

    int m_nTemplateId;
    GObjectPtr<GtkBuilder> m_pBuilder;
    CDialogWindow* m_pOwnerWnd = nullptr;
    GtkWindow* m_hWnd = nullptr;
    CMessageLoop* m_pModalLoop = nullptr;
    int m_nModalResult = IDCANCEL;
    // The button a move that BeginMoveDrag asked for goes with, while the
    // window manager may still be waiting for its release; else 0.
    guint m_nMoveButton = 0;
    // The last screen position OnMove was told of, in screen pixels.
    int m_nLastX = G_MININT;
    int m_nLastY = G_MININT;
    CRect m_rect;
};
