#pragma once

// A push button whose whole face is one cell of a four-face PNG strip:
// normal, hover (the pointer rests on it), pressed, and a dimmed face never
// shown. It draws no text, no focus frame and no background, so what its
// face does not cover shows what lies beneath; the hand cursor is always
// shown over it, and every press and release makes a click, double clicks
// included.

#include <gtk/gtk.h>

#include <functional>

#include "platform/OwnedPtr.h"

// The cell a button shows.
int ChooseCell(bool selected, bool hover);
// The height of each of the strip's four cells.
inline int CellHeight(int stripHeight) {
    return stripHeight / 4;
}

class CPngButton {
public:
    CPngButton() = default;
    ~CPngButton();
    CPngButton(const CPngButton&) = delete;
    CPngButton& operator=(const CPngButton&) = delete;

    // Takes over a button item of a window template.
    void SubclassDlgItem(GtkWidget* button);
    // Cairo draws PNGs without any library to start; kept so that every
    // owner sets a button up the same way.
    void StartGraphics() {}
    // Loads strip `id` for the button's scale (again whenever the scale
    // changes), sizes the button to one cell at its place and puts it above
    // its siblings. A missing strip leaves the button faceless.
    void SetImage(int id);

    GtkWidget* GetWidget() const { return m_pButton.get(); }
    // What the face covers now, in screen pixels from the button's corner
    // (null without a face). Valid until the face changes.
    const cairo_region_t* GetFaceRegion() const;
    // Called whenever the face or the region it covers changes.
    std::function<void()> m_onFaceChanged;

private:
    static gboolean OnDraw(GtkWidget*, cairo_t* cr, CPngButton* self);
    // Loads the strip for the button's scale and makes its cells.
    bool LoadStrip();
    void ReleaseCells();
    void SetHover(bool hover);
    void OnStateChanged();
    int CurrentCell() const;

    GObjectPtr<GtkWidget> m_pButton;
    int m_nStripId = 0;
    bool m_bHasFace = false;
    int m_nImageWidth = 0;
    int m_nCellHeight = 0;
    bool m_bHover = false;
    guint m_nHoverTimer = 0;
    int m_nShownCell = 0;
    // The three faces shown, at the button's scale, and what each covers;
    // made whenever the strip is loaded.
    struct Cell {
        CairoSurfacePtr face;
        CairoRegionPtr region;
    };
    Cell m_cells[3];
};
