// What lies behind, under and around the figure: the moon with its halo, a
// ring of runes, the floating crag she stands on and drifting sparks. Glows
// fade to full transparency within a few pixels, so the shaped window's edges
// are soft but everything outside the shapes stays fully transparent.

#include "artwork.h"

#include <algorithm>
#include <vector>

namespace art {

void draw_moon(cairo_t* cr) {
    // Warm halo fading to nothing; keeps the window's left edge soft.
    glow(
        cr, [](cairo_t* c) { circle(c, kMoonX, kMoonY, kMoonR + 6); }, hex(0xffd98a), 6, 0.55);

    auto disc = [](cairo_t* c) { circle(c, kMoonX, kMoonY, kMoonR); };
    fill(cr, disc, hex(0xd9c9a4));
    inside(cr, disc, [&] {
        radial(
            cr, kMoonX - 50, kMoonY - 70, kMoonR * 1.25,
            {{0.0, hex(0xfffaf0)}, {0.35, kMoonLight}, {0.7, hex(0xe6d3a8)}, {1.0, hex(0xb89a68)}});
        cairo_paint(cr);
        // Seas and craters: soft blue-grey blotches.
        Rng rng(7);
        Layer maria(cr);
        for (int i = 0; i < 26; ++i) {
            double a = rng.range(0, 2 * kPi), d = std::sqrt(rng.next()) * kMoonR * 0.9;
            double x = kMoonX + d * std::cos(a), y = kMoonY + d * std::sin(a);
            double r = rng.range(8, 42);
            circle(maria.cr(), x, y, r);
            set(maria.cr(), hex(0x7d8aa0, rng.range(0.08, 0.22)));
            cairo_fill(maria.cr());
        }
        maria.blur(5);
        maria.paint_onto(cr);
        // Limb darkening towards the edge.
        radial(cr, kMoonX, kMoonY, kMoonR,
               {{0.0, hex(0x000000, 0.0)}, {0.8, hex(0x000000, 0.0)}, {1.0, hex(0x5a3a10, 0.35)}});
        cairo_paint(cr);
    });
}

// A ring of runes around the moon, in the figure's arcane blue.
void draw_magic_circle(cairo_t* cr) {
    const double r0 = kMoonR + 22, r1 = kMoonR + 40;
    auto rings = [&](cairo_t* c) {
        cairo_set_line_width(c, 1.6);
        circle(c, kMoonX, kMoonY, r0);
        cairo_stroke(c);
        cairo_set_line_width(c, 1.0);
        circle(c, kMoonX, kMoonY, r1);
        cairo_stroke(c);
        cairo_set_line_width(c, 1.2);
        Rng rng(31);
        // Rune marks between the rings.
        for (int i = 0; i < 72; ++i) {
            double a = i * 2 * kPi / 72;
            double ca = std::cos(a), sa = std::sin(a);
            double rm = (r0 + r1) / 2;
            int kind = static_cast<int>(rng.next() * 4);
            cairo_save(c);
            cairo_translate(c, kMoonX + rm * ca, kMoonY + rm * sa);
            cairo_rotate(c, a + kPi / 2);
            switch (kind) {
                case 0:
                    cairo_move_to(c, 0, -5);
                    cairo_line_to(c, 0, 5);
                    cairo_move_to(c, -3, -2);
                    cairo_line_to(c, 3, 2);
                    break;
                case 1:
                    cairo_move_to(c, -3, 5);
                    cairo_line_to(c, 0, -5);
                    cairo_line_to(c, 3, 5);
                    break;
                case 2:
                    circle(c, 0, 0, 2.5);
                    cairo_move_to(c, 0, -5);
                    cairo_line_to(c, 0, -2.5);
                    break;
                default:
                    cairo_move_to(c, -3, -5);
                    cairo_line_to(c, 3, 0);
                    cairo_line_to(c, -3, 5);
                    break;
            }
            cairo_stroke(c);
            cairo_restore(c);
        }
        // Spokes crossing the outer ring.
        cairo_set_line_width(c, 1.0);
        for (int i = 0; i < 8; ++i) {
            double a = i * kPi / 4 + kPi / 8;
            cairo_move_to(c, kMoonX + (r1 - 4) * std::cos(a), kMoonY + (r1 - 4) * std::sin(a));
            cairo_line_to(c, kMoonX + (r1 + 12) * std::cos(a), kMoonY + (r1 + 12) * std::sin(a));
            cairo_stroke(c);
            circle(c, kMoonX + (r1 + 15) * std::cos(a), kMoonY + (r1 + 15) * std::sin(a), 2.2);
            cairo_fill(c);
        }
    };
    // One colour for lines and halo keeps the glow clean (and the file small).
    Layer lines(cr, CAIRO_FORMAT_A8);
    cairo_set_source_rgba(lines.cr(), 0, 0, 0, 1);
    rings(lines.cr());
    Layer halo(cr, CAIRO_FORMAT_A8);
    lines.paint_onto(halo.cr());
    halo.blur(3);
    halo.mask_onto(cr, with_alpha(kArcane, 0.9));
    lines.mask_onto(cr, with_alpha(kArcane, 0.85));
}

// The crag the figure stands on: a floating shard of rock with a moonlit top,
// faceted sides tapering underneath and a few arcane crystals. Its outline
// is crisp, so the window's lower edge is sharp but anti-aliased.
namespace {

struct Pt {
    double x, y;
};

// Top edge from left to right.
const Pt kCragTop[] = {{46, 662},  {84, 646},  {122, 650}, {160, 634}, {206, 638},
                       {250, 624}, {296, 630}, {338, 620}, {388, 630}, {430, 624},
                       {474, 636}, {512, 640}, {550, 657}};
// Underside from right to left, narrowing to a point.
const Pt kCragUnder[] = {{524, 674}, {486, 684}, {446, 690}, {410, 700}, {368, 704}, {330, 712},
                         {292, 706}, {246, 702}, {204, 696}, {160, 688}, {116, 682}, {74, 672}};

void crag_outline(cairo_t* cr) {
    cairo_move_to(cr, kCragTop[0].x, kCragTop[0].y);
    for (const Pt& p : kCragTop)
        cairo_line_to(cr, p.x, p.y);
    for (const Pt& p : kCragUnder)
        cairo_line_to(cr, p.x, p.y);
    cairo_close_path(cr);
}

void crystal(cairo_t* cr, double x, double y, double len, double angle) {
    Shape s = [=](cairo_t* c) {
        cairo_save(c);
        cairo_translate(c, x, y);
        cairo_rotate(c, angle);
        cairo_move_to(c, -3.5, 2);
        cairo_line_to(c, -3.5, -len * 0.75);
        cairo_line_to(c, 0, -len);
        cairo_line_to(c, 3.5, -len * 0.75);
        cairo_line_to(c, 3.5, 2);
        cairo_close_path(c);
        cairo_restore(c);
    };
    glow(cr, s, kArcaneDeep, 4, 0.9, 3);
    cairo_new_path(cr);
    s(cr);
    linear(cr, x - 4, 0, x + 4, 0, {{0.0, hex(0xe8fbff)}, {0.5, kArcane}, {1.0, kArcaneDeep}});
    cairo_fill(cr);
}

}  // namespace

void draw_crag(cairo_t* cr) {
    glow(cr, crag_outline, hex(0x000000), 3, 0.6, 0, 0, 3);
    cairo_new_path(cr);
    crag_outline(cr);
    linear(cr, 0, 630, 0, 722, {{0.0, hex(0x2a3450)}, {1.0, hex(0x0a0e16)}});
    cairo_fill(cr);
    inside(cr, crag_outline, [&] {
        // Facets: broad slanted slabs from the top edge down to the point,
        // each turned a little differently to the light.
        Rng rng(41);
        const size_t n = std::size(kCragTop);
        std::vector<Pt> seams;  // where each facet's left seam ends below
        for (size_t i = 0; i < n; i += 2) {
            const Pt& t = kCragTop[i];
            const double toward = 330 + (t.x - 330) * 0.35;  // converge on the point
            seams.push_back({toward + rng.range(-14, 14), 730});
        }
        for (size_t k = 0; k + 1 < seams.size(); ++k) {
            const Pt& a = kCragTop[k * 2];
            const Pt& b = kCragTop[std::min(n - 1, k * 2 + 2)];
            const Pt knee_a = {(a.x + seams[k].x) / 2 + rng.range(-8, 8),
                               a.y + 30 + rng.range(0, 12)};
            const Pt knee_b = {(b.x + seams[k + 1].x) / 2 + rng.range(-8, 8),
                               b.y + 30 + rng.range(0, 12)};
            cairo_move_to(cr, a.x, a.y);
            cairo_line_to(cr, kCragTop[k * 2 + 1].x, kCragTop[k * 2 + 1].y);
            cairo_line_to(cr, b.x, b.y);
            cairo_line_to(cr, knee_b.x, knee_b.y);
            cairo_line_to(cr, seams[k + 1].x, seams[k + 1].y);
            cairo_line_to(cr, seams[k].x, seams[k].y);
            cairo_line_to(cr, knee_a.x, knee_a.y);
            cairo_close_path(cr);
            const double tone = rng.range(0.0, 0.22);
            linear(cr, 0, a.y, 0, 724, {{0.0, hex(0x7088b8, tone)}, {1.0, hex(0x7088b8, 0.0)}});
            cairo_fill(cr);
            // The seam: a dark crack with a lit edge beside it.
            cairo_move_to(cr, a.x, a.y);
            cairo_line_to(cr, knee_a.x, knee_a.y);
            cairo_line_to(cr, seams[k].x, seams[k].y);
            set(cr, hex(0x04060a, 0.75));
            cairo_set_line_width(cr, 1.6);
            cairo_stroke(cr);
            cairo_move_to(cr, a.x + 1.5, a.y + 2);
            cairo_line_to(cr, knee_a.x + 1.5, knee_a.y);
            set(cr, hex(0x9fb4dc, 0.25));
            cairo_set_line_width(cr, 1);
            cairo_stroke(cr);
            // A ledge across the slab.
            const double ly = (a.y + b.y) / 2 + rng.range(18, 34);
            cairo_move_to(cr, a.x + 6, ly + rng.range(-4, 4));
            cairo_line_to(cr, (a.x + b.x) / 2, ly + rng.range(-3, 3));
            cairo_line_to(cr, b.x - 6, ly + rng.range(-4, 4));
            set(cr, hex(0x04060a, 0.5));
            cairo_set_line_width(cr, 1.2);
            cairo_stroke(cr);
        }
        // The top surface, lit by the moon: a band of uneven depth.
        cairo_move_to(cr, kCragTop[0].x, kCragTop[0].y);
        for (const Pt& p : kCragTop)
            cairo_line_to(cr, p.x, p.y);
        for (size_t i = n; i-- > 0;)
            cairo_line_to(cr, kCragTop[i].x + 3, kCragTop[i].y + 7 + (i % 3) * 3);
        cairo_close_path(cr);
        linear(cr, 0, 618, 0, 668, {{0.0, hex(0x8fa2c8)}, {1.0, hex(0x44537a)}});
        cairo_fill(cr);
    });
    rim_light(cr, crag_outline, hex(0xe2ecff), 0, 2.5, 1, 0.8);
    rim_light(cr, crag_outline, kArcane, -3, 0, 1, 0.5);
    crystal(cr, 128, 652, 22, -0.35);
    crystal(cr, 140, 654, 14, 0.25);
    crystal(cr, 480, 642, 26, 0.3);
    crystal(cr, 468, 644, 15, -0.3);
    crystal(cr, 530, 664, 12, 0.5);
}

void draw_sparks(cairo_t* cr) {
    // Two colours, each its own mask: cold motes from the blade, warm embers.
    Layer cold(cr, CAIRO_FORMAT_A8), warm(cr, CAIRO_FORMAT_A8);
    Rng rng(2024);
    for (int i = 0; i < 140; ++i) {
        // Mostly along the blade and around the figure, thinning outwards.
        double x, y;
        if (i < 50) {
            double t = rng.range(10, sword_length());
            auto [sx, sy] = sword_point(t, rng.range(-40, 40) * (0.3 + t / 280));
            x = sx;
            y = sy;
        } else {
            double a = rng.range(0, 2 * kPi), d = kMoonR * std::sqrt(rng.range(0.1, 1.3));
            x = kMoonX + d * std::cos(a);
            y = kMoonY + d * std::sin(a);
        }
        double r = rng.range(0.6, 2.0);
        bool is_warm = rng.next() < 0.35;
        double alpha = rng.range(0.6, 1.0);
        if (x > kPanelX0 - 30 && y > kPanelY0 - 30)
            continue;
        if (x < 30 || y < 30 || y > 690)
            continue;
        cairo_t* m = is_warm ? warm.cr() : cold.cr();
        circle(m, x, y, r);
        cairo_set_source_rgba(m, 0, 0, 0, alpha);
        cairo_fill(m);
    }
    for (auto [mask, colour] : {std::pair{&cold, hex(0xc8f6ff)}, std::pair{&warm, hex(0xffd58a)}}) {
        Layer halo(cr, CAIRO_FORMAT_A8);
        mask->paint_onto(halo.cr());
        halo.blur(3);
        halo.mask_onto(cr, colour, 0, 0, CAIRO_OPERATOR_ADD);
        halo.mask_onto(cr, with_alpha(colour, 0.8));
        mask->mask_onto(cr, colour);
    }
}

}  // namespace art
