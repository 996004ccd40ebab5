#pragma once

// What the login window shows of itself.

#include <cairo.h>

#include <vector>

#include "platform/DialogWindow.h"
#include "platform/OwnedPtr.h"
#include "ui/PngButton.h"

// The login window lies over the main window's picture and shows only its
// items: the browser (once it has a page to show) and the buttons' faces.
// This cuts the window to them and paints what lies under them: the
// picture, so that the buttons' soft edges blend with it, and the page's
// last look while a hand-off holds the page.
class CLoginWindowFace {
public:
    struct Button {
        const CPngButton* button;
        CRect place;  // in the window's own pixels
    };

    CLoginWindowFace(CRect browserPlace, std::vector<Button> buttons);

    // Cuts `window` to the buttons' faces and, with `browserShown`, the
    // browser; in screen pixels at the window's scale, so that the faces
    // are cut to the pixel at any scale.
    void UpdateShape(CDialogWindow& window, bool browserShown) const;

    // Paints the window's own surface: with `underItems`, the items' places
    // with `picture` (the main window's; may be null) for a window of its
    // own; always, over the browser's place, the page kept by FreezePage.
    void Paint(cairo_t* cr, cairo_surface_t* picture, bool underItems) const;

    // Keeps the page's look, `snapshot`, to paint under the browser until
    // ThawPage: the engine paints nothing while the page's script waits for
    // a hand-off. The snapshot has as many pixels as the page shows on the
    // screen (its device scale says how many), so that the kept page looks
    // no softer than the live one.
    void FreezePage(CairoSurfacePtr snapshot);
    void ThawPage();

private:
    CRect m_browserPlace;
    std::vector<Button> m_buttons;
    CairoSurfacePtr m_pPageSnapshot;
};
