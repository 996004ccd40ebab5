#include "ui/PngButton.h"

#include <memory>

#include "platform/AlphaShape.h"
#include "ui/PngImage.h"

namespace {

// The pointer has rested on the button once it has been there this long.
constexpr unsigned kHoverMilliseconds = 1;

}  // namespace

int ChooseCell(bool selected, bool hover) {
    return selected ? 2 : hover ? 1 : 0;
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
}
