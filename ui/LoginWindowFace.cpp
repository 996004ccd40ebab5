#include "ui/LoginWindowFace.h"

CLoginWindowFace::CLoginWindowFace(CRect browserPlace, std::vector<Button> buttons)
    : m_browserPlace(browserPlace), m_buttons(std::move(buttons)) {}

void CLoginWindowFace::UpdateShape(CDialogWindow& window, bool browserShown) const {
    const int scale = window.GetScaleFactor();
    const CairoRegionPtr region(cairo_region_create());
    for (const auto& [button, place] : m_buttons) {
        if (const cairo_region_t* face = button->GetFaceRegion()) {
            const CairoRegionPtr moved(cairo_region_copy(face));
            cairo_region_translate(moved.get(), place.x * scale, place.y * scale);
            cairo_region_union(region.get(), moved.get());
        }
    }
    if (browserShown) {
        const cairo_rectangle_int_t rect{m_browserPlace.x * scale, m_browserPlace.y * scale,
                                         m_browserPlace.width * scale,
                                         m_browserPlace.height * scale};
        cairo_region_union_rectangle(region.get(), &rect);
    }
    window.SetShape(region.get());
}

void CLoginWindowFace::Paint(cairo_t* cr, cairo_surface_t* picture, bool underItems) const {
    // The window is cut to what shows, so nothing of its own surface needs
    // to be see-through: under every item lies what the player would see
    // there without the window. Only the items' places are painted: the
    // rest of the window never shows.
    auto itemPlaces = [&] {
        cairo_rectangle(cr, m_browserPlace.x, m_browserPlace.y, m_browserPlace.width,
                        m_browserPlace.height);
        for (const Button& button : m_buttons) {
            cairo_rectangle(cr, button.place.x, button.place.y, button.place.width,
                            button.place.height);
        }
    };
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    if (underItems) {
        cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
        itemPlaces();
        cairo_fill(cr);
    }
    if (underItems && picture != nullptr) {
        cairo_set_source_surface(cr, picture, 0, 0);
        itemPlaces();
        cairo_fill(cr);
    }
    if (m_pPageSnapshot != nullptr) {
        cairo_set_source_surface(cr, m_pPageSnapshot.get(), m_browserPlace.x, m_browserPlace.y);
        cairo_rectangle(cr, m_browserPlace.x, m_browserPlace.y, m_browserPlace.width,
                        m_browserPlace.height);
        cairo_fill(cr);
    }
}

void CLoginWindowFace::FreezePage(CairoSurfacePtr snapshot) {
    m_pPageSnapshot = std::move(snapshot);
}

void CLoginWindowFace::ThawPage() {
    m_pPageSnapshot.reset();
}
