#pragma once

// A top-level window built from one of the program's window templates, with
// the handful of window events the program's windows react to turned into
// virtual handlers. The program's windows derive from it.
//
// A window may lie over its owner's face (the login window over the main
// window's picture). Where the desktop lets windows place themselves, it is
// a window of its own that follows its owner; where it does not (a Wayland
// session), it is a layer inside its owner's window, and moving, stacking
// and aligning it mean nothing.

#include <cairo.h>

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/WindowItem.h"

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

struct CDialogWindowImpl;

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

    // Whether the window exists (created, and not destroyed since).
    bool IsWindow() const;
    // Whether it is a layer drawn inside its owner's window, over what the
    // owner draws, rather than a window of its own.
    bool IsLayer() const;
    // The template's item with that id, or null. It lives as long as the
    // window.
    CWindowItem* GetDlgItem(int id) const;

    void ShowWindow(int showCommand);
    bool IsWindowVisible() const;
    // On the screen (mapped), where the desktop put it.
    bool IsMapped() const;
    void MoveWindow(const CRect& rect);
    CRect GetWindowRect() const;
    void SetWindowText(std::string_view utf8);
    // Puts the window above the others, and gives it the keyboard.
    void BringWindowToTop();
    // Centres the window over its owner, or on the screen's work area when
    // it has none.
    void CenterWindow();
    // The same for the part `visible` of the window (in its pixels), the
    // part of its picture that is not transparent; where that is larger
    // than the work area, its top-left corner stays on the screen.
    void CenterWindow(const CRect& visible);
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

    // Has the window painted again (OnPaint), all of it or a part.
    void Invalidate();
    void InvalidateRect(const CRect& rect);
    // Shows `picture` with its alpha as the window's whole face, at the
    // picture's size. Called again when the
    // window's scale changes.
    void SetLayeredPicture(cairo_surface_t* picture);
    // Cuts the window to `region` (screen pixels from its corner), both
    // where it shows and where it takes input; null takes the cut away.
    void SetShape(const cairo_region_t* region);
    // The icons the task bar shows, one per size.
    void SetIcons(const std::vector<cairo_surface_t*>& icons);
    // While held, nothing the player does reaches any other window of the
    // program, even while this one is hidden.
    void HoldInput(bool hold);
    // Enter and Space (a gamepad's A is Enter) press the window's buttons
    // only once it has been on the screen for `milliseconds`, and only when
    // pressed afresh then: a key pressed a second time, or held down, for
    // what was there before the window came is no answer to it. Esc is
    // always taken.
    void IgnoreEarlyKeys(unsigned milliseconds);

protected:
    // Set before Create: the window lies over its owner's face.
    void LieOverOwner() { m_bOverOwner = true; }

    virtual bool OnInitDialog() { return true; }
    // Paints the window's own surface, under its items.
    virtual void OnPaint(cairo_t* /*cr*/) {}
    // The window's first picture has reached the screen.
    virtual void OnFirstFrameShown() {}
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
    friend struct CDialogWindowImpl;
    int m_nTemplateId;
    bool m_bOverOwner = false;
    int m_nModalResult = IDCANCEL;
    std::unique_ptr<CDialogWindowImpl> m_pImpl;
};
