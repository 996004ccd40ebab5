#include "ui/PngButton.h"

#include <cmath>
#include <memory>

#include "platform/AlphaShape.h"
#include "ui/PngImage.h"

namespace {

// The pointer has rested on the button once it has been there this long.
constexpr unsigned kHoverMilliseconds = 1;
// How far the focus mark of a rectangular face lies inside its edges: past
// the rim, on the face's body.
constexpr double kMarkInset = 4;

}  // namespace

int ChooseCell(bool selected, bool hover) {
    return selected ? 2 : hover ? 1 : 0;
}

void PaintFocusMark(cairo_t* cr, int width, int height) {
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_set_line_width(cr, 1);
    if (width == height) {
        // The round faces' rims take an eighth of their width.
        const double middle = width / 2.0;
        cairo_arc(cr, middle, middle, middle - width / 8.0 - 1.5, 0, 2 * M_PI);
    } else {
        // Along the middle of a row and a column of pixels, so that the line
        // covers whole pixels at every scale.
        cairo_rectangle(cr, kMarkInset + 0.5, kMarkInset + 0.5, width - 2 * kMarkInset - 1,
                        height - 2 * kMarkInset - 1);
    }
    cairo_set_source_rgba(cr, 0.08, 0.04, 0.02, 0.85);
    cairo_stroke_preserve(cr);
    const double dots[] = {1, 1};
    cairo_set_dash(cr, dots, 2, 0);
    cairo_set_source_rgb(cr, 1.0, 0.96, 0.84);
    cairo_stroke(cr);
    cairo_restore(cr);
}

CPngButton::~CPngButton() = default;

void CPngButton::ReleaseCells() {
    for (Cell& cell : m_cells) {
        cell = {};
    }
}

void CPngButton::SubclassDlgItem(CWindowItem* button) {
    m_pButton = button;
    if (m_pButton == nullptr) {
        return;
    }
    m_pButton->MakePictureButton();
    m_pButton->SetPainter([this](cairo_t* cr) { OnDraw(cr); });
    m_pButton->OnHover([this](bool inside) {
        if (!inside) {
            m_hoverTimer.Stop();
            SetHover(false);
        } else if (!m_hoverTimer.IsRunning() && !m_bHover) {
            m_hoverTimer.StartOnce(kHoverMilliseconds, [this] { SetHover(true); });
        }
    });
    m_pButton->OnScaleChanged([this] {
        LoadStrip();
        if (m_bHasFace && m_onFaceChanged) {
            m_onFaceChanged();
        }
    });
    m_pButton->OnPressedChanged([this] { OnStateChanged(); });
}

void CPngButton::SetImage(int id) {
    m_nStripId = id;
    if (m_pButton == nullptr || !LoadStrip()) {
        return;
    }
    m_pButton->SetSize(m_nImageWidth, m_nCellHeight);
    m_pButton->RaiseAboveSiblings();
}

bool CPngButton::LoadStrip() {
    ReleaseCells();
    const int scale = m_pButton->GetScaleFactor();
    const std::unique_ptr<CPngImage> strip = LoadPngImage(m_nStripId, scale);
    m_bHasFace = strip && strip->IsValid();
    if (!m_bHasFace) {
        return false;
    }
    m_nImageWidth = strip->GetWidth();
    m_nCellHeight = CellHeight(strip->GetHeight());
    // Each face as the screen shows it: drawn and cut pixel for pixel.
    for (int cell = 0; cell < 3; ++cell) {
        const cairo_rectangle_int_t place{0, cell * m_nCellHeight, m_nImageWidth, m_nCellHeight};
        m_cells[cell].face = CopyAtScale(strip->GetSurface(), place, scale);
        m_cells[cell].region = RegionFromAlpha(m_cells[cell].face.get(), 1);
    }
    return true;
}

int CPngButton::CurrentCell() const {
    return ChooseCell(m_pButton != nullptr && m_pButton->IsPressed(), m_bHover);
}

const cairo_region_t* CPngButton::GetFaceRegion() const {
    return m_bHasFace ? m_cells[CurrentCell()].region.get() : nullptr;
}

void CPngButton::SetHover(bool hover) {
    if (m_bHover != hover) {
        m_bHover = hover;
        OnStateChanged();
    }
}

void CPngButton::OnStateChanged() {
    m_pButton->Invalidate();
    const int cell = CurrentCell();
    if (m_bHasFace && cell != m_nShownCell) {
        m_nShownCell = cell;
        if (m_onFaceChanged) {
            m_onFaceChanged();
        }
    }
}

void CPngButton::OnDraw(cairo_t* cr) {
    if (!m_bHasFace) {
        return;  // no face, and nothing of the theme's either
    }
    cairo_set_source_surface(cr, m_cells[CurrentCell()].face.get(), 0, 0);
    cairo_rectangle(cr, 0, 0, m_nImageWidth, m_nCellHeight);
    cairo_fill(cr);
    if (m_pButton->HasVisibleFocus()) {
        PaintFocusMark(cr, m_nImageWidth, m_nCellHeight);
    }
}
