// Gold, bronze and jewels: the materials of the frame, the buttons and the
// figure's trim, kept in one place so every picture shares the same metal.

#include "artwork.h"

namespace art {

// A vertical "polished gold" gradient across a band from y0 to y1.
void gold_vertical(cairo_t* cr, double y0, double y1) {
    linear(cr, 0, y0, 0, y1,
           {{0.0, kGoldLight}, {0.35, kGold}, {0.55, kGoldMid}, {0.8, kGoldDark}, {1.0, kGoldMid}});
}

void gold_diagonal(cairo_t* cr, double x0, double y0, double x1, double y1) {
    linear(cr, x0, y0, x1, y1,
           {{0.0, kGoldLight}, {0.3, kGold}, {0.6, kGoldDark}, {0.85, kGoldMid}, {1.0, kGold}});
}

// A faceted round gem: dark rim, coloured body, bright catch-light.
void gem(cairo_t* cr, double cx, double cy, double r, Rgba light, Rgba deep) {
    circle(cr, cx, cy, r + 1.2);
    set(cr, kInk);
    cairo_fill(cr);
    radial(cr, cx, cy, r, {{0.0, light}, {0.55, mix(light, deep, 0.6)}, {1.0, deep}}, cx - r * 0.3,
           cy - r * 0.35);
    circle(cr, cx, cy, r);
    cairo_fill(cr);
    radial(cr, cx - r * 0.35, cy - r * 0.4, r * 0.55,
           {{0.0, hex(0xffffff, 0.9)}, {1.0, hex(0xffffff, 0.0)}});
    circle(cr, cx - r * 0.35, cy - r * 0.4, r * 0.55);
    cairo_fill(cr);
    // Light passing through the stone onto its lower edge.
    radial(cr, cx + r * 0.2, cy + r * 0.55, r * 0.5,
           {{0.0, with_alpha(light, 0.7)}, {1.0, with_alpha(light, 0.0)}});
    circle(cr, cx, cy, r);
    cairo_fill(cr);
}

// A gold line drawn over a dark one, so it reads on dark and light alike.
void gold_stroke(cairo_t* cr, const Shape& shape, double width, double y0, double y1) {
    cairo_save(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_new_path(cr);
    shape(cr);
    set(cr, hex(0x0a0703, 0.85));
    cairo_set_line_width(cr, width + 2.2);
    cairo_stroke_preserve(cr);
    gold_vertical(cr, y0, y1);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
    cairo_restore(cr);
}

// A scroll: a stem that curls into a spiral, in local coordinates pointing +x.
void scroll_path(cairo_t* cr, double len, double curl, int dir) {
    cairo_move_to(cr, 0, 0);
    cairo_curve_to(cr, len * 0.4, 0, len * 0.7, dir * curl * 0.2, len, dir * curl * 0.9);
    // Spiral inwards: arcs with shrinking radius.
    double cx = len - curl * 0.9, cy = dir * curl * 0.9;
    double r = curl * 0.9;
    double a = 0;
    for (int i = 0; i < 28; ++i) {
        a += dir * 0.28;
        r *= 0.955;
        cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
    }
}

}  // namespace art
