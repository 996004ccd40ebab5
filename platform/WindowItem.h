#pragma once

// An item of a window template: a button, a text, or a holder of something
// else (the browser). Places and sizes are in the window's own pixels.

#include <cairo.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

struct CRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct CWindowItemImpl;

class CWindowItem {
public:
    explicit CWindowItem(std::unique_ptr<CWindowItemImpl> impl);
    ~CWindowItem();
    CWindowItem(const CWindowItem&) = delete;
    CWindowItem& operator=(const CWindowItem&) = delete;

    // Puts the item at `rect` in its window.
    void Place(const CRect& rect);
    void SetSize(int width, int height);
    // Puts the item above its siblings.
    void RaiseAboveSiblings();
    // Shows the item, or takes it away: a hidden one neither shows nor
    // takes input or the keyboard.
    void Show(bool show);
    int GetScaleFactor() const;

    // A text item's text, and its look: a CSS font ("12pt Arial") and
    // colour ("#ffffff"), with no background of its own.
    void SetText(std::string_view utf8);
    std::string GetText() const;
    void SetTextLook(std::string_view font, std::string_view colour);
    // The text hangs from the top of its place instead of being centred in it.
    void HangTextFromTop();

    // The item's whole face, painted by `paint` in the item's own pixels:
    // nothing of the toolkit's theme shows.
    void SetPainter(std::function<void(cairo_t*)> paint);
    void Invalidate();
    // A button with a hand over it. The keyboard comes to it by Tab alone
    // (a click leaves the keyboard where it was, in the page's field say),
    // and Enter or Space then presses it; its painter draws the focus mark
    // while HasVisibleFocus says so.
    void MakePictureButton();
    // Gives the item the keyboard in its window, and has the window show
    // where the keyboard is from the time it is on the screen, as a dialog
    // shows its first button's focus mark.
    void SetFocus();
    // The item has the keyboard, its window is the active one and shows
    // where the keyboard is (from SetFocus, or once the player has used a
    // key in it).
    bool HasVisibleFocus() const;
    // What a screen reader says the item is: a picture button has no text
    // of its own to read.
    void SetAccessibleName(std::string_view utf8);
    // A button's click.
    void OnClicked(std::function<void()> handler);
    // The pointer came onto the item (true) or left it (false).
    void OnHover(std::function<void(bool inside)> handler);
    // The button's pressed state or its keyboard focus changed; IsPressed
    // and HasVisibleFocus tell them.
    void OnPressedChanged(std::function<void()> handler);
    bool IsPressed() const;
    // The pointer moved over the item.
    void OnPointerMotion(std::function<void()> handler);
    void OnScaleChanged(std::function<void()> handler);

    CWindowItemImpl& Impl() const { return *m_pImpl; }

private:
    std::unique_ptr<CWindowItemImpl> m_pImpl;
};
