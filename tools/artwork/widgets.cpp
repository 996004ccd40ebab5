// The small pictures: window buttons, dialog buttons, the dialogs' faces and
// the download window's progress bar. Buttons come as four faces stacked top
// to bottom: normal, hover, pressed, dimmed.

#include "artwork.h"

#include <algorithm>
#include <tuple>

namespace art {

namespace {

enum class State { Normal, Hover, Pressed, Dimmed };
const State kStates[] = {State::Normal, State::Hover, State::Pressed, State::Dimmed};

// Turns a drawn face grey and flat for the disabled look; the face's place
// is given in units.
void grey_out(cairo_surface_t* s, int x0, int y0, int w, int h) {
    const int scale = static_cast<int>(scale_of(s));
    x0 *= scale;
    y0 *= scale;
    w *= scale;
    h *= scale;
    cairo_surface_flush(s);
    const int stride = cairo_image_surface_get_stride(s);
    uint8_t* data = cairo_image_surface_get_data(s);
    for (int y = y0; y < y0 + h; ++y) {
        uint32_t* px = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = x0; x < x0 + w; ++x) {
            uint32_t p = px[x];
            uint32_t a = p >> 24, r = (p >> 16) & 0xff, g = (p >> 8) & 0xff, b = p & 0xff;
            uint32_t l = (r * 77 + g * 150 + b * 29) >> 8;
            l = l * 3 / 4;
            px[x] = (a << 24) | (l << 16) | (l << 8) | l;
        }
    }
    cairo_surface_mark_dirty(s);
}

// A round jewelled button face of diameter `size` at (0, 0); `symbol` draws the
// glyph as a path centred on the origin.
void round_button_face(cairo_t* cr, double size, State st,
                       const std::function<void(cairo_t*, double)>& symbol) {
    const double c = size / 2;
    const double shift = st == State::Pressed ? 1 : 0;
    const double r = c - 1.5;
    const double light = st == State::Hover ? 1.0 : st == State::Pressed ? -1.0 : 0.0;
    cairo_save(cr);
    cairo_translate(cr, c, c + shift);

    // Gold ring.
    circle(cr, 0, 0, r + 0.5);
    set(cr, hex(0x0a0602));
    cairo_fill(cr);
    circle(cr, 0, 0, r - 0.3);
    linear(cr, -r, -r, r, r,
           {{0.0, light > 0 ? hex(0xffffff) : kGoldLight},
            {0.35, kGold},
            {0.65, kGoldDark},
            {1.0, kGoldMid}});
    cairo_fill(cr);
    const double ri = r * 0.78;
    circle(cr, 0, 0, ri + 1);
    set(cr, hex(0x1a0f04));
    cairo_fill(cr);
    // Notches around the ring.
    cairo_set_line_width(cr, 1);
    for (int i = 0; i < 12; ++i) {
        double a = i * kPi / 6;
        cairo_move_to(cr, (ri + 1.5) * std::cos(a), (ri + 1.5) * std::sin(a));
        cairo_line_to(cr, (r - 1.5) * std::cos(a), (r - 1.5) * std::sin(a));
    }
    set(cr, hex(0x3a2608, 0.6));
    cairo_stroke(cr);

    // The stone: deep blue, brighter on hover, darker when pressed.
    Rgba deep = mix(hex(0x06142a), light > 0 ? hex(0x0f3a66) : hex(0x000000),
                    light > 0   ? 0.7
                    : light < 0 ? 0.4
                                : 0.0);
    Rgba mid = light > 0 ? hex(0x2a8fd0) : light < 0 ? hex(0x0b3058) : hex(0x164d82);
    radial(cr, 0, 0, ri, {{0.0, mid}, {1.0, deep}}, -ri * 0.2, -ri * 0.4);
    circle(cr, 0, 0, ri);
    cairo_fill(cr);
    // Gloss.
    cairo_save(cr);
    cairo_scale(cr, 1, 0.62);
    radial(cr, 0, -ri * 0.9, ri * 0.95,
           {{0.0, hex(0xffffff, light < 0 ? 0.18 : 0.42)}, {1.0, hex(0xffffff, 0.0)}});
    circle(cr, 0, -ri * 0.55, ri * 0.8);
    cairo_fill(cr);
    cairo_restore(cr);

    // Glyph: dark outline, gold body; on hover it glows.
    if (light > 0) {
        cairo_save(cr);
        cairo_new_path(cr);
        symbol(cr, ri);
        cairo_set_line_width(cr, 5);
        set(cr, with_alpha(kArcane, 0.35));
        cairo_stroke(cr);
        cairo_restore(cr);
    }
    cairo_new_path(cr);
    symbol(cr, ri);
    set(cr, hex(0x0a0602, 0.9));
    cairo_set_line_width(cr, 2);
    cairo_stroke_preserve(cr);
    linear(cr, 0, -ri * 0.5, 0, ri * 0.5,
           {{0.0, light > 0 ? hex(0xffffff) : kGoldLight},
            {0.5, light > 0 ? kGoldLight : kGold},
            {1.0, light < 0 ? kGoldDark : kGoldMid}});
    cairo_fill(cr);
    cairo_restore(cr);
}

// "×" as a filled outline, so it can be outlined and filled like the metal.
void cross_symbol(cairo_t* cr, double ri) {
    const double a = ri * 0.5, w = std::max(1.5, ri * 0.085);
    cairo_save(cr);
    for (int k = 0; k < 2; ++k) {
        cairo_save(cr);
        cairo_rotate(cr, k ? -kPi / 4 : kPi / 4);
        cairo_new_sub_path(cr);
        cairo_move_to(cr, -a * 1.35, 0);
        cairo_line_to(cr, -a * 1.1, -w);
        cairo_line_to(cr, a * 1.1, -w);
        cairo_line_to(cr, a * 1.35, 0);
        cairo_line_to(cr, a * 1.1, w);
        cairo_line_to(cr, -a * 1.1, w);
        cairo_close_path(cr);
        cairo_restore(cr);
    }
    cairo_restore(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
}

void dash_symbol(cairo_t* cr, double ri) {
    const double a = ri * 0.6, w = std::max(1.6, ri * 0.13);
    cairo_move_to(cr, -a, 0);
    cairo_line_to(cr, -a + w * 1.4, -w);
    cairo_line_to(cr, a - w * 1.4, -w);
    cairo_line_to(cr, a, 0);
    cairo_line_to(cr, a - w * 1.4, w);
    cairo_line_to(cr, -a + w * 1.4, w);
    cairo_close_path(cr);
}

}  // namespace

void make_round_button(const std::string& file, int scale, int size, bool close) {
    void (*symbol)(cairo_t*, double) = close ? cross_symbol : dash_symbol;
    cairo_surface_t* s = new_picture(CAIRO_FORMAT_ARGB32, size, size * 4, scale);
    cairo_t* cr = cairo_create(s);
    for (int i = 0; i < 4; ++i) {
        cairo_save(cr);
        cairo_rectangle(cr, 0, i * size, size, size);
        cairo_clip(cr);
        cairo_translate(cr, 0, i * size);
        round_button_face(cr, size, kStates[i], symbol);
        cairo_restore(cr);
        if (kStates[i] == State::Dimmed)
            grey_out(s, 0, i * size, size, size);
    }
    cairo_destroy(cr);
    write_png(s, file);
    cairo_surface_destroy(s);
}

namespace {

// A 74x26 rounded gold-edged button with a CJK label.
void text_button_face(cairo_t* cr, const char* label, State st, bool primary) {
    const double w = 74, h = 26;
    const double shift = st == State::Pressed ? 1 : 0;
    const double light = st == State::Hover ? 1.0 : st == State::Pressed ? -1.0 : 0.0;
    // Edge.
    rounded_rect(cr, 0.5, 0.5, w - 1, h - 1, 5);
    set(cr, hex(0x0a0602));
    cairo_fill(cr);
    rounded_rect(cr, 1, 1, w - 2, h - 2, 4.5);
    linear(cr, 0, 1, 0, h - 1,
           {{0.0, light > 0 ? hex(0xffffff) : kGoldLight},
            {0.45, kGold},
            {0.55, kGoldMid},
            {1.0, kGoldDark}});
    cairo_fill(cr);
    // Face.
    Rgba top = primary ? hex(0x7a2a1a) : hex(0x2a3448);
    Rgba bottom = primary ? hex(0x2c0a06) : hex(0x0c1018);
    if (light > 0) {
        top = mix(top, hex(0xffc070), 0.35);
        bottom = mix(bottom, hex(0x5a2a10), 0.4);
    } else if (light < 0) {
        top = mix(top, hex(0x000000), 0.45);
        bottom = mix(bottom, hex(0x000000), 0.3);
    }
    rounded_rect(cr, 2.5, 2.5, w - 5, h - 5, 3.5);
    linear(cr, 0, 2.5, 0, h - 2.5,
           light < 0 ? Stops{{0.0, bottom}, {1.0, top}} : Stops{{0.0, top}, {1.0, bottom}});
    cairo_fill(cr);
    if (light >= 0) {
        // Gloss on the upper half.
        rounded_rect(cr, 3.5, 3, w - 7, (h - 6) / 2, 3);
        linear(cr, 0, 3, 0, h / 2,
               {{0.0, hex(0xffffff, light > 0 ? 0.35 : 0.22)}, {1.0, hex(0xffffff, 0.02)}});
        cairo_fill(cr);
    }
    // Small gold diamonds at the ends.
    for (double x : {8.0, w - 8}) {
        diamond(cr, x, h / 2 + shift, 3, 3);
        set(cr, with_alpha(kGold, 0.85));
        cairo_fill(cr);
    }
    // Label.
    PangoLayout* text = text_layout(cr, label, "Noto Sans CJK SC", PANGO_WEIGHT_BOLD, 13, 2);
    PangoRectangle ink = ink_extents(text);
    const double tx = w / 2 - ink.width / 2.0 - ink.x,
                 ty = h / 2 - ink.height / 2.0 - ink.y + shift;
    cairo_move_to(cr, tx, ty + 1);
    pango_cairo_layout_path(cr, text);
    set(cr, hex(0x000000, 0.8));
    cairo_fill(cr);
    cairo_move_to(cr, tx, ty);
    pango_cairo_layout_path(cr, text);
    linear(cr, 0, ty + ink.y, 0, ty + ink.y + ink.height,
           {{0.0, light > 0 ? hex(0xffffff) : hex(0xfff6dc)},
            {1.0, light > 0 ? kGoldLight : hex(0xf0cf86)}});
    cairo_fill(cr);
    g_object_unref(text);
}

}  // namespace

void make_text_button(const std::string& file, int scale, const char* label, bool primary) {
    const int w = 74, h = 26;
    cairo_surface_t* s = new_picture(CAIRO_FORMAT_ARGB32, w, h * 4, scale);
    cairo_t* cr = cairo_create(s);
    for (int i = 0; i < 4; ++i) {
        cairo_save(cr);
        cairo_rectangle(cr, 0, i * h, w, h);
        cairo_clip(cr);
        cairo_translate(cr, 0, i * h);
        text_button_face(cr, label, kStates[i], primary);
        cairo_restore(cr);
        if (kStates[i] == State::Dimmed)
            grey_out(s, 0, i * h, w, h);
    }
    cairo_destroy(cr);
    write_png(s, file);
    cairo_surface_destroy(s);
}

// Dialog faces ---------------------------------------------------------------

namespace {

// The face every dialog of the program shares: a dark body, a bronze title
// band closed by a gold rule with flourishes either side of the title (which
// is `titleHalf` wide either side of the middle), the rule at `band`, and a
// gold border with corner studs.
void dialog_face(cairo_t* cr, int w, int h, double titleHalf, double band) {
    // Body: deep blue-black, a little lighter in the middle behind the text.
    linear(cr, 0, 0, 0, h, {{0.0, hex(0x161b26)}, {1.0, hex(0x0a0d13)}});
    cairo_paint(cr);
    radial(cr, w / 2.0, h * 0.6, w * 15.0 / 32, {{0.0, hex(0x1d2536)}, {1.0, hex(0x1d2536, 0.0)}});
    cairo_paint(cr);

    // Title band: warm dark bronze, closed by a gold rule.
    cairo_rectangle(cr, 3, 3, w - 6, band - 3);
    linear(cr, 0, 3, 0, band, {{0.0, hex(0x3a2a14)}, {0.6, hex(0x21180c)}, {1.0, hex(0x171109)}});
    cairo_fill(cr);
    cairo_move_to(cr, 3, band + 0.5);
    cairo_line_to(cr, w - 3, band + 0.5);
    linear(cr, 3, 0, w - 3, 0,
           {{0.0, with_alpha(kGold, 0.0)},
            {0.2, kGold},
            {0.5, kGoldLight},
            {0.8, kGold},
            {1.0, with_alpha(kGold, 0.0)}});
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_move_to(cr, 3, band + 1.5);
    cairo_line_to(cr, w - 3, band + 1.5);
    set(cr, hex(0x000000, 0.8));
    cairo_stroke(cr);
    for (int side : {-1, 1}) {
        const double y = 21.5;
        const double x_in = w / 2.0 + side * titleHalf, x_out = w / 2.0 + side * (w / 2.0 - 16);
        cairo_move_to(cr, x_in, y);
        cairo_line_to(cr, x_out, y);
        linear(cr, x_in, 0, x_out, 0, {{0.0, kGold}, {1.0, with_alpha(kGold, 0.0)}});
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        diamond(cr, x_in, y, 4, 3.5);
        gold_vertical(cr, y - 3.5, y + 3.5);
        cairo_fill(cr);
        diamond(cr, x_in + side * 12, y, 2, 2);
        set(cr, kGold);
        cairo_fill(cr);
    }

    // Border: dark, gold, dark, with corner studs.
    cairo_rectangle(cr, 0.5, 0.5, w - 1, h - 1);
    set(cr, hex(0x000000));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_rectangle(cr, 1.5, 1.5, w - 3, h - 3);
    linear(cr, 0, 0, 0, h, {{0.0, kGoldLight}, {0.3, kGold}, {1.0, kGoldDark}});
    cairo_stroke(cr);
    cairo_rectangle(cr, 2.5, 2.5, w - 5, h - 5);
    set(cr, hex(0x3a2608));
    cairo_stroke(cr);
    cairo_rectangle(cr, 5.5, 5.5, w - 11, h - 11);
    set(cr, with_alpha(kGoldMid, 0.3));
    cairo_stroke(cr);
    for (auto [x, y] : {std::pair{5.5, 5.5}, std::pair{w - 5.5, 5.5}, std::pair{5.5, h - 5.5},
                        std::pair{w - 5.5, h - 5.5}}) {
        diamond(cr, x, y, 4, 4);
        gold_diagonal(cr, x - 4, y - 4, x + 4, y + 4);
        cairo_fill(cr);
    }
}

}  // namespace

// The quit dialog's title sits between x 79 and 179; its glyphs end near
// y 30 and the question's begin near y 38, so the band's rule runs at y 33,
// in the gap between the two. The
// bitmap it has always had is the 1x picture; the 2x one is a PNG (opaque
// all over, since the face's body paints every pixel first).
void make_dialog_background(const std::string& file, int scale) {
    const cairo_format_t format = scale == 1 ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32;
    cairo_surface_t* s = new_picture(format, 256, 110, scale);
    cairo_t* cr = cairo_create(s);
    dialog_face(cr, 256, 110, 56, 33);
    cairo_destroy(cr);
    if (scale == 1)
        write_bmp24(s, file);
    else
        write_png(s, file);
    cairo_surface_destroy(s);
}

void make_download_background(const std::string& file, int scale) {
    cairo_surface_t* s = new_picture(CAIRO_FORMAT_ARGB32, kDownloadW, kDownloadH, scale);
    cairo_t* cr = cairo_create(s);
    dialog_face(cr, kDownloadW, kDownloadH, kDownloadTitleHalf, 38);
    cairo_destroy(cr);
    write_png(s, file);
    cairo_surface_destroy(s);
}

// Progress bar ---------------------------------------------------------------

namespace {

void bar_outline(cairo_t* cr, double inset) {
    const double h = kBarH - 2 * inset;
    rounded_rect(cr, inset, inset, kBarW - 2 * inset, h, h / 2);
}

}  // namespace

// An engraved groove: a gold rim that catches the light on its lower edge,
// as a cut into the face would, around a dark channel shaded from above.
void make_progress_track(const std::string& file, int scale) {
    cairo_surface_t* s = new_picture(CAIRO_FORMAT_ARGB32, kBarW, kBarH, scale);
    cairo_t* cr = cairo_create(s);
    bar_outline(cr, 0);
    linear(cr, 0, 0, 0, kBarH, {{0.0, hex(0x000000)}, {0.5, kGoldDark}, {1.0, kGold}});
    cairo_fill(cr);
    bar_outline(cr, 1);
    linear(cr, 0, 1, 0, kBarH - 1,
           {{0.0, hex(0x020305)}, {0.6, hex(0x0b0e15)}, {1.0, hex(0x161b26)}});
    cairo_fill(cr);
    // Faint marks at every tenth, where the fill has not reached.
    for (int i = 1; i < 10; ++i) {
        const double x = std::round(kBarW * i / 10.0) + 0.5;
        cairo_move_to(cr, x, 4);
        cairo_line_to(cr, x, kBarH - 4);
    }
    cairo_set_line_width(cr, 1);
    set(cr, with_alpha(kGoldMid, 0.22));
    cairo_stroke(cr);
    cairo_destroy(cr);
    write_png(s, file);
    cairo_surface_destroy(s);
}

// What fills the groove: the blue of the frame's gems, lit from above, with
// a glassy highlight; the program shows as much of it as has arrived.
void make_progress_fill(const std::string& file, int scale) {
    cairo_surface_t* s = new_picture(CAIRO_FORMAT_ARGB32, kBarW, kBarH, scale);
    cairo_t* cr = cairo_create(s);
    bar_outline(cr, kBarFillInset);
    linear(cr, 0, kBarFillInset, 0, kBarH - kBarFillInset,
           {{0.0, kGemLight}, {0.35, hex(0x3aa6e0)}, {0.7, hex(0x16609e)}, {1.0, kGemDeep}});
    cairo_fill(cr);
    // Glass: a soft highlight along the upper half.
    const double top = kBarFillInset + 1, half = (kBarH - 2 * kBarFillInset) / 2.0 - 1;
    rounded_rect(cr, kBarFillInset + 2, top, kBarW - 2 * kBarFillInset - 4, half, half / 2);
    linear(cr, 0, top, 0, top + half, {{0.0, hex(0xffffff, 0.55)}, {1.0, hex(0xffffff, 0.05)}});
    cairo_fill(cr);
    cairo_destroy(cr);
    write_png(s, file);
    cairo_surface_destroy(s);
}

}  // namespace art
