// The ornamental frame around the browser view, the seat for the window
// buttons in its upper right corner, and the title logo above it.

#include "artwork.h"

#include <tuple>

namespace art {

namespace {

void frame_outline(cairo_t* cr) {
    rounded_rect(cr, kFrameX0, kFrameY0, kFrameX1 - kFrameX0, kFrameY1 - kFrameY0, 6);
}

}  // namespace

void draw_frame_body(cairo_t* cr) {
    // Drop shadow, so the frame lifts off whatever desktop is behind it.
    glow(cr, frame_outline, hex(0x000000), 5, 0.75, 0, 0, 3);

    // Outer bronze bevel.
    cairo_new_path(cr);
    frame_outline(cr);
    linear(cr, kFrameX0, kFrameY0, kFrameX1, kFrameY1,
           {{0.0, hex(0x6a4a1e)}, {0.5, hex(0x3a2810)}, {1.0, hex(0x5a3e18)}});
    cairo_fill(cr);
    // Polished gold edge.
    cairo_new_path(cr);
    rounded_rect(cr, kFrameX0 + 1.5, kFrameY0 + 1.5, kFrameX1 - kFrameX0 - 3,
                 kFrameY1 - kFrameY0 - 3, 5);
    cairo_set_line_width(cr, 2);
    gold_vertical(cr, kFrameY0, kFrameY1);
    cairo_stroke(cr);

    // The dark band, with a faint blue sheen at the top.
    const double bx0 = kFrameX0 + 5, by0 = kFrameY0 + 5, bx1 = kFrameX1 - 5, by1 = kFrameY1 - 5;
    cairo_new_path(cr);
    rounded_rect(cr, bx0, by0, bx1 - bx0, by1 - by0, 3);
    linear(
        cr, 0, by0, 0, by1,
        {{0.0, hex(0x1f2533)}, {0.08, hex(0x141923)}, {0.9, hex(0x0e1118)}, {1.0, hex(0x1a1f2a)}});
    cairo_fill(cr);
    cairo_new_path(cr);
    rounded_rect(cr, bx0 + 0.5, by0 + 0.5, bx1 - bx0 - 1, by1 - by0 - 1, 3);
    cairo_set_line_width(cr, 1);
    set(cr, hex(0x000000, 0.9));
    cairo_stroke(cr);

    // Engraving along the middle of the band: a thin line with lozenges.
    auto engrave_h = [&](double y, double x0, double x1) {
        cairo_set_line_width(cr, 1);
        cairo_move_to(cr, x0, y - 4.5);
        cairo_line_to(cr, x1, y - 4.5);
        cairo_move_to(cr, x0, y + 4.5);
        cairo_line_to(cr, x1, y + 4.5);
        set(cr, with_alpha(kGoldMid, 0.35));
        cairo_stroke(cr);
        for (double x = x0 + 14; x < x1 - 8; x += 22) {
            diamond(cr, x, y, 4, 3);
            set(cr, with_alpha(kGoldMid, 0.45));
            cairo_fill(cr);
            diamond(cr, x, y, 1.6, 1.2);
            set(cr, hex(0x0a0c10));
            cairo_fill(cr);
        }
    };
    auto engrave_v = [&](double x, double y0, double y1) {
        cairo_set_line_width(cr, 1);
        cairo_move_to(cr, x - 4.5, y0);
        cairo_line_to(cr, x - 4.5, y1);
        cairo_move_to(cr, x + 4.5, y0);
        cairo_line_to(cr, x + 4.5, y1);
        set(cr, with_alpha(kGoldMid, 0.35));
        cairo_stroke(cr);
        for (double y = y0 + 14; y < y1 - 8; y += 22) {
            diamond(cr, x, y, 3, 4);
            set(cr, with_alpha(kGoldMid, 0.45));
            cairo_fill(cr);
            diamond(cr, x, y, 1.2, 1.6);
            set(cr, hex(0x0a0c10));
            cairo_fill(cr);
        }
    };
    const double top = (kFrameY0 + 5 + kPanelY0 - 8) / 2,
                 bottom = (kFrameY1 - 5 + kPanelY1 + 8) / 2;
    const double left = (kFrameX0 + 5 + kPanelX0 - 8) / 2,
                 right = (kFrameX1 - 5 + kPanelX1 + 8) / 2;
    // Leave room for the corner scrolls, the plaques and the button seat.
    engrave_h(top, kFrameX0 + 104, kFrameMidX - 96);
    engrave_h(top, kFrameMidX + 96, kFrameX1 - 80);
    engrave_h(bottom, kFrameX0 + 104, kFrameMidX - 76);
    engrave_h(bottom, kFrameMidX + 76, kFrameX1 - 104);
    engrave_v(left, kFrameY0 + 104, kFrameY1 - 104);
    engrave_v(right, kFrameY0 + 60, kFrameY1 - 104);

    // Inner gold lip around the browser.
    cairo_new_path(cr);
    rounded_rect(cr, kPanelX0 - 8, kPanelY0 - 8, kPanelX1 - kPanelX0 + 16, kPanelY1 - kPanelY0 + 16,
                 3);
    rounded_rect(cr, kPanelX0 - 2, kPanelY0 - 2, kPanelX1 - kPanelX0 + 4, kPanelY1 - kPanelY0 + 4,
                 1);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    linear(cr, 0, kPanelY0 - 8, 0, kPanelY1 + 8,
           {{0.0, kGoldLight}, {0.02, kGold}, {0.5, kGoldMid}, {0.98, kGoldDark}, {1.0, kGold}});
    cairo_fill(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_new_path(cr);
    rounded_rect(cr, kPanelX0 - 5.5, kPanelY0 - 5.5, kPanelX1 - kPanelX0 + 11,
                 kPanelY1 - kPanelY0 + 11, 2);
    cairo_set_line_width(cr, 1.2);
    set(cr, hex(0x3a2508, 0.8));
    cairo_stroke(cr);
}

namespace {

// Corner piece in local coordinates: the corner at the origin, the frame
// extending towards +x and +y.
void draw_corner_local(cairo_t* cr) {
    // Filigree scrolls running along both edges.
    gold_stroke(
        cr,
        [](cairo_t* c) {
            cairo_save(c);
            cairo_translate(c, 30, 14);
            scroll_path(c, 62, 4.5, 1);
            cairo_restore(c);
        },
        2.2, 0, 20);
    gold_stroke(
        cr,
        [](cairo_t* c) {
            cairo_save(c);
            cairo_translate(c, 14, 30);
            cairo_rotate(c, kPi / 2);
            scroll_path(c, 62, 4.5, -1);
            cairo_restore(c);
        },
        2.2, 0, 90);
    // The diamond plate on the corner.
    const double cx = 10, cy = 10, r = 22;
    glow(
        cr, [&](cairo_t* c) { diamond(c, cx, cy, r, r); }, hex(0x000000), 3, 0.8, 0, 1, 2);
    cairo_new_path(cr);
    diamond(cr, cx, cy, r, r);
    gold_diagonal(cr, cx - r, cy - r, cx + r, cy + r);
    cairo_fill(cr);
    cairo_new_path(cr);
    diamond(cr, cx, cy, r - 4, r - 4);
    linear(cr, cx - r, cy - r, cx + r, cy + r, {{0.0, hex(0x3a2a14)}, {1.0, hex(0x0e0a05)}});
    cairo_fill(cr);
    cairo_new_path(cr);
    diamond(cr, cx, cy, r - 6, r - 6);
    cairo_set_line_width(cr, 1);
    set(cr, with_alpha(kGold, 0.6));
    cairo_stroke(cr);
    gem(cr, cx, cy, 7);
}

}  // namespace

void draw_corners(cairo_t* cr) {
    struct Corner {
        double x, y, sx, sy;
    };
    const Corner corners[] = {
        {kFrameX0, kFrameY0, 1, 1},
        {kFrameX0, kFrameY1, 1, -1},
        {kFrameX1, kFrameY1, -1, -1},
    };
    for (const auto& c : corners) {
        cairo_save(cr);
        cairo_translate(cr, c.x, c.y);
        cairo_scale(cr, c.sx, c.sy);
        draw_corner_local(cr);
        cairo_restore(cr);
    }
}

// Small studs halfway along the sides and a jewel plate under the bottom edge.
void draw_edge_ornaments(cairo_t* cr) {
    const double midy = (kFrameY0 + kFrameY1) / 2;
    const double sides[] = {kFrameX0 + 16, kFrameX1 - 16};
    for (double x : sides) {
        cairo_new_path(cr);
        diamond(cr, x, midy, 12, 30);
        gold_diagonal(cr, x - 12, midy - 30, x + 12, midy + 30);
        cairo_fill(cr);
        cairo_new_path(cr);
        diamond(cr, x, midy, 8.5, 24);
        set(cr, hex(0x120d07));
        cairo_fill(cr);
        gem(cr, x, midy, 5);
    }
    // Bottom: a pointed plate hanging below the frame.
    const double x = kFrameMidX, y = kFrameY1 - 14;
    Shape plate = [&](cairo_t* c) {
        cairo_move_to(c, x - 70, y - 10);
        cairo_line_to(c, x + 70, y - 10);
        cairo_curve_to(c, x + 50, y + 4, x + 30, y + 10, x + 18, y + 14);
        cairo_line_to(c, x, y + 30);
        cairo_line_to(c, x - 18, y + 14);
        cairo_curve_to(c, x - 30, y + 10, x - 50, y + 4, x - 70, y - 10);
        cairo_close_path(c);
    };
    glow(cr, plate, hex(0x000000), 3, 0.8, 0, 0, 2);
    cairo_new_path(cr);
    plate(cr);
    gold_vertical(cr, y - 10, y + 30);
    cairo_fill(cr);
    cairo_save(cr);
    cairo_translate(cr, x, y + 2);
    cairo_scale(cr, 0.8, 0.72);
    cairo_translate(cr, -x, -y);
    cairo_new_path(cr);
    plate(cr);
    cairo_restore(cr);
    set(cr, hex(0x120d07));
    cairo_fill(cr);
    gem(cr, x, y + 4, 7, hex(0xffc9a8), hex(0x7a0c1a));
}

// The plate in the upper right corner on which the program seats its
// minimise and close buttons: two round sockets joined into one casting.
void draw_button_seat(cairo_t* cr) {
    const double cx = kCloseX + kCloseSize / 2, cy = kCloseY + kCloseSize / 2;
    const double mx = kMinX + kMinSize / 2, my = kMinY + kMinSize / 2;
    const double cr0 = kCloseSize / 2 + 7, mr0 = kMinSize / 2 + 6;
    Shape seat = [&](cairo_t* c) {
        circle(c, cx, cy, cr0);
        circle(c, mx, my, mr0);
        // Spikes radiating from the big socket, like the frame's corners.
        for (double a : {-kPi * 0.75, -kPi * 0.25, kPi * 0.25}) {
            double ca = std::cos(a), sa = std::sin(a);
            double pa = a + kPi / 2;
            cairo_move_to(c, cx + (cr0 - 4) * ca + 8 * std::cos(pa),
                          cy + (cr0 - 4) * sa + 8 * std::sin(pa));
            cairo_line_to(c, cx + (cr0 + 13) * ca, cy + (cr0 + 13) * sa);
            cairo_line_to(c, cx + (cr0 - 4) * ca - 8 * std::cos(pa),
                          cy + (cr0 - 4) * sa - 8 * std::sin(pa));
            cairo_close_path(c);
        }
    };
    glow(cr, seat, hex(0x000000), 4, 0.85, 0, 1, 3);
    cairo_new_path(cr);
    seat(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    gold_diagonal(cr, mx - mr0, cy - cr0, cx + cr0, my + mr0);
    cairo_fill(cr);
    // Dark bevel inside the casting and the sockets themselves.
    cairo_new_path(cr);
    circle(cr, cx, cy, cr0 - 3);
    circle(cr, mx, my, mr0 - 3);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    linear(cr, mx, cy - cr0, cx, my + mr0, {{0.0, hex(0x4a3414)}, {1.0, hex(0x1a1206)}});
    cairo_fill(cr);
    for (auto [x, y, r] :
         {std::tuple{cx, cy, kCloseSize / 2 + 2.5}, std::tuple{mx, my, kMinSize / 2 + 2.5}}) {
        cairo_new_path(cr);
        circle(cr, x, y, r);
        radial(cr, x, y, r, {{0.7, hex(0x000000)}, {1.0, hex(0x1a1208)}});
        cairo_fill(cr);
        cairo_new_path(cr);
        circle(cr, x, y, r + 0.8);
        cairo_set_line_width(cr, 1);
        set(cr, with_alpha(kGold, 0.8));
        cairo_stroke(cr);
    }
}

void draw_panel(cairo_t* cr) {
    // The browser covers this; until its page paints, show a calm dark field.
    // SOURCE replaces whatever spilled over, so the rectangle is fully opaque.
    cairo_new_path(cr);
    cairo_rectangle(cr, kPanelX0, kPanelY0, kPanelX1 - kPanelX0, kPanelY1 - kPanelY0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    linear(cr, 0, kPanelY0, 0, kPanelY1, {{0.0, hex(0x161c28)}, {1.0, hex(0x0a0d13)}});
    cairo_fill(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
}

// Title logo -----------------------------------------------------------------

void draw_logo(cairo_t* cr) {
    const char* family = "Noto Serif CJK SC";
    PangoLayout* title =
        text_layout(cr, "<big>T</big>HARNVAL<big>E</big>", family, PANGO_WEIGHT_BOLD, 62, 4, true);
    PangoRectangle ink = ink_extents(title);
    const double baseline_y = 116;  // bottom of the capitals
    const double tx = kFrameMidX - ink.width / 2.0 - ink.x;
    const double ty = baseline_y - (ink.y + ink.height);
    Shape letters = [&](cairo_t* c) {
        cairo_save(c);
        cairo_move_to(c, tx, ty);
        pango_cairo_layout_path(c, title);
        cairo_restore(c);
    };
    const double top = ty + ink.y, bottom = baseline_y;

    // Gold wings sweeping out from the first and last letters.
    const double left = tx + ink.x, right = tx + ink.x + ink.width;
    Shape wings = [&](cairo_t* c) {
        for (int side : {-1, 1}) {
            const double bx = (side < 0 ? left - 6 : right + 6), by = bottom - 18;
            const struct {
                double len, rise, w;
            } feathers[] = {{96, -22, 7}, {80, -4, 6}, {60, 12, 5}};
            for (const auto& f : feathers) {
                const double ex = bx + side * f.len, ey = by + f.rise;
                ribbon(c, bx, by + f.rise * 0.1, bx + side * f.len * 0.4, by + f.rise * 0.1,
                       bx + side * f.len * 0.75, ey - 6, ex, ey, f.w, 0, 0.2);
            }
        }
    };
    // Smoky dark backing, so the title reads over any desktop.
    glow(
        cr,
        [&](cairo_t* c) {
            letters(c);
            wings(c);
        },
        hex(0x05070c), 4, 0.8, 12);
    cairo_new_path(cr);
    wings(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, 2.5);
    set(cr, hex(0x1a0f04));
    cairo_stroke_preserve(cr);
    linear(cr, 0, top, 0, bottom + 10, {{0.0, kGoldLight}, {0.5, kGold}, {1.0, kGoldDark}});
    cairo_fill(cr);
    // Outline.
    cairo_new_path(cr);
    letters(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, 6);
    set(cr, hex(0x1a0f04));
    cairo_stroke_preserve(cr);
    cairo_set_line_width(cr, 3);
    linear(cr, 0, top, 0, bottom, {{0.0, hex(0x8a6220)}, {1.0, hex(0x3a2408)}});
    cairo_stroke_preserve(cr);
    // Polished gold with a horizon line.
    linear(cr, 0, top, 0, bottom,
           {{0.0, hex(0xfffbe6)},
            {0.3, hex(0xffe08a)},
            {0.5, hex(0xd9a441)},
            {0.52, hex(0x8a5a18)},
            {0.75, hex(0xc8923a)},
            {1.0, hex(0xf6d27a)}});
    cairo_fill(cr);
    // Bright top edges.
    rim_light(cr, letters, hex(0xffffff), 0, 2, 0, 0.6);
    // A cold glint on the first letter, echoing the sword.
    Layer glint(cr);
    const double gx = tx + ink.x + 22, gy = top + 6;
    cairo_t* g = glint.cr();
    cairo_move_to(g, gx - 26, gy);
    cairo_line_to(g, gx, gy - 1.2);
    cairo_line_to(g, gx + 26, gy);
    cairo_line_to(g, gx, gy + 1.2);
    cairo_close_path(g);
    cairo_move_to(g, gx, gy - 16);
    cairo_line_to(g, gx + 1.2, gy);
    cairo_line_to(g, gx, gy + 16);
    cairo_line_to(g, gx - 1.2, gy);
    cairo_close_path(g);
    set(g, hex(0xffffff));
    cairo_fill(g);
    circle(g, gx, gy, 3);
    cairo_fill(g);
    glint.paint_onto(cr);
    glint.blur(3);
    glint.paint_onto(cr, 1.0, 0, 0, CAIRO_OPERATOR_ADD);
    g_object_unref(title);
}

// The Chinese name on a plaque resting on the frame's top edge.
void draw_name_plaque(cairo_t* cr) {
    const double x = kFrameMidX, y = kFrameY0 - 13;
    const double hw = 78, hh = 15;
    Shape plaque = [&](cairo_t* c) {
        cairo_move_to(c, x - hw, y);
        cairo_line_to(c, x - hw + 14, y - hh);
        cairo_line_to(c, x + hw - 14, y - hh);
        cairo_line_to(c, x + hw, y);
        cairo_line_to(c, x + hw - 14, y + hh);
        cairo_line_to(c, x - hw + 14, y + hh);
        cairo_close_path(c);
    };
    // Flourishes spreading from the plaque along the frame's top edge.
    for (int side : {-1, 1}) {
        gold_stroke(
            cr,
            [&](cairo_t* c) {
                cairo_move_to(c, x + side * hw, y);
                cairo_curve_to(c, x + side * (hw + 30), y, x + side * (hw + 50), y + 8,
                               x + side * (hw + 80), y + 8);
                cairo_line_to(c, x + side * (hw + 150), y + 10);
            },
            1.8, y - 4, y + 10);
        cairo_new_path(cr);
        diamond(cr, x + side * (hw + 82), y + 8, 6, 4);
        gold_vertical(cr, y + 4, y + 12);
        cairo_fill(cr);
        gold_stroke(
            cr,
            [&](cairo_t* c) {
                cairo_save(c);
                cairo_translate(c, x + side * (hw + 4), y - 2);
                cairo_scale(c, side, 1);
                scroll_path(c, 26, 6, -1);
                cairo_restore(c);
            },
            1.5, y - 12, y);
    }
    glow(cr, plaque, hex(0x000000), 3, 0.85, 0, 0, 2);
    cairo_new_path(cr);
    plaque(cr);
    gold_vertical(cr, y - hh, y + hh);
    cairo_fill(cr);
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, (hw - 3) / hw, (hh - 3) / hh);
    cairo_translate(cr, -x, -y);
    cairo_new_path(cr);
    plaque(cr);
    cairo_restore(cr);
    linear(cr, 0, y - hh, 0, y + hh, {{0.0, hex(0x2a1d0c)}, {1.0, hex(0x0c0804)}});
    cairo_fill(cr);

    PangoLayout* name = text_layout(cr, "萨恩瓦勒", "Noto Serif CJK SC", PANGO_WEIGHT_BOLD, 19, 9);
    PangoRectangle ink = ink_extents(name);
    const double tx = x - ink.width / 2.0 - ink.x, ty = y - ink.height / 2.0 - ink.y;
    Shape text = [&](cairo_t* c) {
        cairo_save(c);
        cairo_move_to(c, tx, ty);
        pango_cairo_layout_path(c, name);
        cairo_restore(c);
    };
    glow(cr, text, hex(0xffc060), 3, 0.5);
    cairo_new_path(cr);
    text(cr);
    linear(cr, 0, y - 10, 0, y + 10, {{0.0, kGoldLight}, {0.5, kGold}, {1.0, hex(0xc08a36)}});
    cairo_fill(cr);
    g_object_unref(name);
}

}  // namespace art
