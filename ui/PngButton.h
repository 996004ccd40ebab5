#pragma once

// A push button whose whole face is one cell of a four-face PNG strip:
// normal, hover (the pointer rests on it), pressed, and a dimmed face never
// shown. It draws no text and no background, so what its face does not
// cover shows what lies beneath; the hand cursor is always shown over it,
// and every press and release makes a click, double clicks included. While
// it has the keyboard it draws a focus mark inside its face (see
// PaintFocusMark), where the window shows it whatever lies around the face.

#include <functional>

#include "platform/OwnedPtr.h"
#include "platform/Timer.h"
#include "platform/WindowItem.h"

// The cell a button shows.
int ChooseCell(bool selected, bool hover);
// The height of each of the strip's four cells.
inline int CellHeight(int stripHeight) {
    return stripHeight / 4;
}
// Paints the focus mark of a face `width` by `height` (in the button's own
// pixels) at its place on `cr`: a dotted line, light dots on a dark line one
// pixel wide, inside the face's rim; round on a round face (as wide as
// high), a rectangle on any other.
void PaintFocusMark(cairo_t* cr, int width, int height);

class CPngButton {
public:
    CPngButton() = default;
    ~CPngButton();
    CPngButton(const CPngButton&) = delete;
    CPngButton& operator=(const CPngButton&) = delete;

    // Takes over a button item of a window template.
    void SubclassDlgItem(CWindowItem* button);
    // Cairo draws PNGs without any library to start; kept so that every
    // owner sets a button up the same way.
    void StartGraphics() {}
    // Loads strip `id` for the button's scale (again whenever the scale
    // changes), sizes the button to one cell at its place and puts it above
    // its siblings. A missing strip leaves the button faceless.
    void SetImage(int id);

    CWindowItem* GetItem() const { return m_pButton; }
    // What the face covers now, in screen pixels from the button's corner
    // (null without a face). Valid until the face changes.
    const cairo_region_t* GetFaceRegion() const;
    // Called whenever the face or the region it covers changes.
    std::function<void()> m_onFaceChanged;

private:
    void OnDraw(cairo_t* cr);
    // Loads the strip for the button's scale and makes its cells.
    bool LoadStrip();
    void ReleaseCells();
    void SetHover(bool hover);
    void OnStateChanged();
    int CurrentCell() const;

    CWindowItem* m_pButton = nullptr;
    int m_nStripId = 0;
    bool m_bHasFace = false;
    int m_nImageWidth = 0;
    int m_nCellHeight = 0;
    bool m_bHover = false;
    CTimer m_hoverTimer;
    int m_nShownCell = 0;
    // The three faces shown, at the button's scale, and what each covers;
    // made whenever the strip is loaded.
    struct Cell {
        CairoSurfacePtr face;
        CairoRegionPtr region;
    };
    Cell m_cells[3];
};
