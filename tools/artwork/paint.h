// Small drawing helpers shared by the artwork generator: colours, gradients,
// off-screen layers with a blur (cairo has none, and glows need one), rim
// lights, text through pango, and file output (PNG through libpng, 24-bit BMP
// by hand because cairo cannot write BMP).
//
// Everything here is deterministic: no clock, no std::rand, no hinting that
// depends on the machine's font settings, so the script reproduces the same
// pictures from the same sources.
#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace art {

constexpr double kPi = 3.14159265358979323846;

struct Rgba {
    double r, g, b, a;
};

// 0xRRGGBB plus an opacity, the way designers write colours.
inline Rgba hex(uint32_t rgb, double a = 1.0) {
    return {((rgb >> 16) & 0xff) / 255.0, ((rgb >> 8) & 0xff) / 255.0, (rgb & 0xff) / 255.0, a};
}

inline Rgba with_alpha(Rgba c, double a) {
    return {c.r, c.g, c.b, a};
}

inline Rgba mix(Rgba x, Rgba y, double t) {
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t,
            x.a + (y.a - x.a) * t};
}

inline void set(cairo_t* cr, Rgba c) {
    cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a);
}

using Stops = std::initializer_list<std::pair<double, Rgba>>;

inline void add_stops(cairo_pattern_t* p, Stops stops) {
    for (const auto& [at, c] : stops)
        cairo_pattern_add_color_stop_rgba(p, at, c.r, c.g, c.b, c.a);
}

// Sets a linear gradient as the source (the pattern is owned by cr afterwards).
inline void linear(cairo_t* cr, double x0, double y0, double x1, double y1, Stops stops) {
    cairo_pattern_t* p = cairo_pattern_create_linear(x0, y0, x1, y1);
    add_stops(p, stops);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
}

inline void radial(cairo_t* cr, double cx, double cy, double r, Stops stops, double fx = NAN,
                   double fy = NAN) {
    if (std::isnan(fx))
        fx = cx;
    if (std::isnan(fy))
        fy = cy;
    cairo_pattern_t* p = cairo_pattern_create_radial(fx, fy, 0, cx, cy, r);
    add_stops(p, stops);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
}

// A shape is a function that appends a path; the caller decides how to paint it.
using Shape = std::function<void(cairo_t*)>;

inline void rounded_rect(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
    cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
    cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
}

inline void circle(cairo_t* cr, double cx, double cy, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
    cairo_close_path(cr);
}

inline void diamond(cairo_t* cr, double cx, double cy, double rx, double ry) {
    cairo_move_to(cr, cx, cy - ry);
    cairo_line_to(cr, cx + rx, cy);
    cairo_line_to(cr, cx, cy + ry);
    cairo_line_to(cr, cx - rx, cy);
    cairo_close_path(cr);
}

// Path from a list of numbers: "M x y", "C x1 y1 x2 y2 x y", "L x y", "Z".
// Keeps the hand-placed outlines of the figure short and readable.
inline void svg_path(cairo_t* cr, const char* d) {
    char cmd = 0;
    const char* s = d;
    auto skip = [&] {
        while (*s == ' ' || *s == ',' || *s == '\n')
            ++s;
    };
    auto num = [&] {
        skip();
        char* end = nullptr;
        double v = std::strtod(s, &end);
        if (end == s)
            throw std::runtime_error(std::string("bad path: ") + d);
        s = end;
        return v;
    };
    for (;;) {
        skip();
        if (!*s)
            break;
        if ((*s >= 'A' && *s <= 'Z'))
            cmd = *s++;
        switch (cmd) {
            case 'M': {
                double x = num(), y = num();
                cairo_move_to(cr, x, y);
                cmd = 'L';
                break;
            }
            case 'L': {
                double x = num(), y = num();
                cairo_line_to(cr, x, y);
                break;
            }
            case 'C': {
                double a = num(), b = num(), c = num(), e = num(), x = num(), y = num();
                cairo_curve_to(cr, a, b, c, e, x, y);
                break;
            }
            case 'Z':
                cairo_close_path(cr);
                cmd = 0;
                break;
            default:
                throw std::runtime_error(std::string("bad path: ") + d);
        }
    }
}

inline Shape path(const char* d) {
    return [d](cairo_t* cr) { svg_path(cr, d); };
}

// A tapered band along a cubic curve: width w0 at the start, w1 at the end,
// swelling by `bulge` in the middle. Used for hair, limbs and streamers.
inline void ribbon(cairo_t* cr, double x0, double y0, double x1, double y1, double x2, double y2,
                   double x3, double y3, double w0, double w1, double bulge = 0) {
    const int n = 48;
    std::vector<std::pair<double, double>> a, b;
    for (int i = 0; i <= n; ++i) {
        double t = static_cast<double>(i) / n, u = 1 - t;
        double px = u * u * u * x0 + 3 * u * u * t * x1 + 3 * u * t * t * x2 + t * t * t * x3;
        double py = u * u * u * y0 + 3 * u * u * t * y1 + 3 * u * t * t * y2 + t * t * t * y3;
        double dx = 3 * u * u * (x1 - x0) + 6 * u * t * (x2 - x1) + 3 * t * t * (x3 - x2);
        double dy = 3 * u * u * (y1 - y0) + 6 * u * t * (y2 - y1) + 3 * t * t * (y3 - y2);
        double len = std::hypot(dx, dy);
        if (len < 1e-9)
            len = 1;
        double w = (w0 + (w1 - w0) * t) * (1 + bulge * std::sin(kPi * t)) / 2;
        a.emplace_back(px - dy / len * w, py + dx / len * w);
        b.emplace_back(px + dy / len * w, py - dx / len * w);
    }
    cairo_move_to(cr, a[0].first, a[0].second);
    for (const auto& [x, y] : a)
        cairo_line_to(cr, x, y);
    for (auto it = b.rbegin(); it != b.rend(); ++it)
        cairo_line_to(cr, it->first, it->second);
    cairo_close_path(cr);
}

// A fixed-seed generator so sparks and runes land in the same places on every run.
class Rng {
public:
    explicit Rng(uint64_t seed) : s_(seed) {}
    double next() {
        s_ = s_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(s_ >> 11) * (1.0 / 9007199254740992.0);
    }
    double range(double a, double b) { return a + (b - a) * next(); }

private:
    uint64_t s_;
};

// Pictures are drawn in units, one pixel each at 1x. The same code draws a
// picture for screens that scale windows (two pixels to the unit at 2x): its
// surfaces carry the scale as cairo's device scale, so paths, text and
// offsets need no change; only what counts pixels itself (blurs, pixel
// loops) asks for the scale.
inline double scale_of(cairo_surface_t* s) {
    double x = 1, y = 1;
    cairo_surface_get_device_scale(s, &x, &y);
    return x;
}

// A picture `w` x `h` units large, at `scale` pixels to the unit.
inline cairo_surface_t* new_picture(cairo_format_t format, int w, int h, int scale) {
    cairo_surface_t* s = cairo_image_surface_create(format, w * scale, h * scale);
    cairo_surface_set_device_scale(s, scale, scale);
    return s;
}

// Three box passes approximate a gaussian of sigma ~ radius (in units).
// Pixels outside the surface count as transparent, so glows fade out instead
// of smearing edges. Works on ARGB32 and A8 surfaces.
inline void blur(cairo_surface_t* s, int radius) {
    radius = static_cast<int>(std::lround(radius * scale_of(s)));
    if (radius <= 0)
        return;
    cairo_surface_flush(s);
    const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    const int stride = cairo_image_surface_get_stride(s);
    const int channels = cairo_image_surface_get_format(s) == CAIRO_FORMAT_A8 ? 1 : 4;
    uint8_t* data = cairo_image_surface_get_data(s);
    std::vector<uint8_t> tmp(static_cast<size_t>(stride) * h);
    const int div = 2 * radius + 1;
    auto pass = [&](const uint8_t* src, uint8_t* dst, int n, int lines, int step, int line_step) {
        for (int l = 0; l < lines; ++l) {
            const uint8_t* sl = src + static_cast<size_t>(l) * line_step;
            uint8_t* dl = dst + static_cast<size_t>(l) * line_step;
            for (int c = 0; c < channels; ++c) {
                int sum = 0;
                for (int i = 0; i <= radius && i < n; ++i)
                    sum += sl[i * step + c];
                for (int i = 0; i < n; ++i) {
                    dl[i * step + c] = static_cast<uint8_t>((sum + div / 2) / div);
                    int add = i + radius + 1, sub = i - radius;
                    if (add < n)
                        sum += sl[add * step + c];
                    if (sub >= 0)
                        sum -= sl[sub * step + c];
                }
            }
        }
    };
    for (int k = 0; k < 3; ++k) {
        pass(data, tmp.data(), w, h, channels, stride);
        pass(tmp.data(), data, h, w, stride, channels);
    }
    cairo_surface_mark_dirty(s);
}

// A vector target (the SVG icon) has no pixels of its own: the layers drawn
// for it (blurs, cut-outs) are rasters of the size its drawing code names here,
// which cairo embeds in the file.
struct RasterSize {
    int w, h;
};
inline const cairo_user_data_key_t kRasterSizeKey{};

inline void set_raster_size(cairo_surface_t* s, int w, int h) {
    cairo_surface_set_user_data(s, &kRasterSizeKey, new RasterSize{w, h},
                                [](void* p) { delete static_cast<RasterSize*>(p); });
}

inline RasterSize raster_size(cairo_t* cr) {
    cairo_surface_t* target = cairo_get_target(cr);
    if (cairo_surface_get_type(target) == CAIRO_SURFACE_TYPE_IMAGE)
        return {cairo_image_surface_get_width(target), cairo_image_surface_get_height(target)};
    const auto* size =
        static_cast<const RasterSize*>(cairo_surface_get_user_data(target, &kRasterSizeKey));
    if (size == nullptr)
        throw std::runtime_error("a vector surface drawn with layers needs a raster size");
    return *size;
}

// An off-screen surface the size and scale of the picture being drawn: ARGB,
// or A8 for masks (a blurred mask painted in one colour keeps that colour
// exact, which also keeps the PNG small).
class Layer {
public:
    // As large as the surface `like` draws on, at its scale.
    explicit Layer(cairo_t* like, cairo_format_t format = CAIRO_FORMAT_ARGB32)
        : surf_(surface_like(like, format)), cr_(cairo_create(surf_)) {}
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;
    ~Layer() {
        cairo_destroy(cr_);
        cairo_surface_destroy(surf_);
    }
    cairo_t* cr() const { return cr_; }
    cairo_surface_t* surface() const { return surf_; }
    void blur(int radius) { art::blur(surf_, radius); }
    void paint_onto(cairo_t* dst, double alpha = 1.0, double dx = 0, double dy = 0,
                    cairo_operator_t op = CAIRO_OPERATOR_OVER) const {
        cairo_surface_flush(surf_);
        cairo_save(dst);
        cairo_identity_matrix(dst);
        cairo_set_operator(dst, op);
        cairo_set_source_surface(dst, surf_, dx, dy);
        cairo_paint_with_alpha(dst, alpha);
        cairo_restore(dst);
    }
    // For A8 layers: paints whatever source `source` sets through this mask.
    void mask_with(cairo_t* dst, const std::function<void(cairo_t*)>& source,
                   cairo_operator_t op = CAIRO_OPERATOR_OVER) const {
        cairo_surface_flush(surf_);
        cairo_save(dst);
        cairo_identity_matrix(dst);
        cairo_set_operator(dst, op);
        source(dst);
        cairo_mask_surface(dst, surf_, 0, 0);
        cairo_restore(dst);
    }
    // For A8 layers: paints `c` through this mask.
    void mask_onto(cairo_t* dst, Rgba c, double dx = 0, double dy = 0,
                   cairo_operator_t op = CAIRO_OPERATOR_OVER) const {
        cairo_surface_flush(surf_);
        cairo_save(dst);
        cairo_identity_matrix(dst);
        cairo_set_operator(dst, op);
        cairo_set_source_rgba(dst, c.r, c.g, c.b, c.a);
        cairo_mask_surface(dst, surf_, dx, dy);
        cairo_restore(dst);
    }

private:
    static cairo_surface_t* surface_like(cairo_t* like, cairo_format_t format) {
        const RasterSize size = raster_size(like);
        cairo_surface_t* s = cairo_image_surface_create(format, size.w, size.h);
        const double scale = scale_of(cairo_get_target(like));
        cairo_surface_set_device_scale(s, scale, scale);
        return s;
    }

    cairo_surface_t* surf_;
    cairo_t* cr_;
};

// Layers share the target's user space so shapes land where they would on it.
inline void copy_matrix(cairo_t* from, cairo_t* to) {
    cairo_matrix_t m;
    cairo_get_matrix(from, &m);
    cairo_set_matrix(to, &m);
}

// A soft light or shadow around a shape: fill (and optionally fatten by a stroke),
// blur, composite.
inline void glow(cairo_t* dst, const Shape& shape, Rgba c, int radius, double alpha = 1.0,
                 double fatten = 0, double dx = 0, double dy = 0,
                 cairo_operator_t op = CAIRO_OPERATOR_OVER) {
    Layer l(dst, CAIRO_FORMAT_A8);
    copy_matrix(dst, l.cr());
    shape(l.cr());
    cairo_set_source_rgba(l.cr(), 0, 0, 0, 1);
    if (fatten > 0) {
        cairo_set_line_width(l.cr(), fatten);
        cairo_set_line_join(l.cr(), CAIRO_LINE_JOIN_ROUND);
        cairo_fill_preserve(l.cr());
        cairo_stroke(l.cr());
    } else {
        cairo_fill(l.cr());
    }
    l.blur(radius);
    l.mask_onto(dst, with_alpha(c, c.a * alpha), dx, dy, op);
}

// A thin light along the edges of a shape that face the light: the shape minus
// a copy moved away from the light, softened, kept inside the shape.
inline void rim_light(cairo_t* dst, const Shape& shape, Rgba c, double dx, double dy, int soft,
                      double alpha = 1.0) {
    Layer l(dst);
    cairo_t* cr = l.cr();
    copy_matrix(dst, cr);
    shape(cr);
    set(cr, c);
    cairo_fill(cr);
    cairo_save(cr);
    cairo_translate(cr, dx, dy);
    shape(cr);
    cairo_restore(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_DEST_OUT);
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    cairo_fill(cr);
    l.blur(soft);
    shape(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_DEST_IN);
    cairo_fill(cr);
    l.paint_onto(dst, alpha);
}

// Paints inside a shape only: runs `body` with the shape as clip.
inline void inside(cairo_t* cr, const Shape& shape, const std::function<void()>& body) {
    cairo_save(cr);
    cairo_new_path(cr);
    shape(cr);
    cairo_clip(cr);
    body();
    cairo_restore(cr);
}

inline void fill(cairo_t* cr, const Shape& shape, Rgba c) {
    cairo_new_path(cr);
    shape(cr);
    set(cr, c);
    cairo_fill(cr);
}

// Text ------------------------------------------------------------------

// Fixed font rendering options: grey antialiasing and no hinting, so glyph
// outlines do not depend on the desktop's font settings.
inline PangoLayout* text_layout(cairo_t* cr, const std::string& text, const char* family,
                                PangoWeight weight, double px, double letter_spacing = 0,
                                bool markup = false) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoContext* ctx = pango_layout_get_context(layout);
    cairo_font_options_t* fo = cairo_font_options_create();
    cairo_font_options_set_antialias(fo, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(fo, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(fo, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(ctx, fo);
    cairo_font_options_destroy(fo);
    pango_cairo_context_set_resolution(ctx, 96);
    PangoFontDescription* desc = pango_font_description_new();
    pango_font_description_set_family(desc, family);
    pango_font_description_set_weight(desc, weight);
    pango_font_description_set_absolute_size(desc, px * PANGO_SCALE);
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);
    if (letter_spacing != 0) {
        PangoAttrList* attrs = pango_attr_list_new();
        pango_attr_list_insert(
            attrs, pango_attr_letter_spacing_new(static_cast<int>(letter_spacing * PANGO_SCALE)));
        pango_layout_set_attributes(layout, attrs);
        pango_attr_list_unref(attrs);
    }
    if (markup)
        pango_layout_set_markup(layout, text.c_str(), -1);
    else
        pango_layout_set_text(layout, text.c_str(), -1);
    pango_layout_context_changed(layout);
    return layout;
}

// The ink box of a layout, to centre what is actually drawn rather than the line box.
inline PangoRectangle ink_extents(PangoLayout* layout) {
    PangoRectangle ink, logical;
    pango_layout_get_pixel_extents(layout, &ink, &logical);
    return ink;
}

// Output ----------------------------------------------------------------

// The straight (non-premultiplied) colour a PNG stores for a premultiplied
// value p at opacity a is not unique when a < 255: every c with
// round(c * a / 255) == p looks the same once loaded. Of those, take the one
// nearest `hint` (the neighbour's), which keeps soft edges and glows from
// turning into noise that PNG cannot compress, without changing a single
// displayed pixel.
inline uint8_t straight_channel(int p, int a, int hint) {
    auto premul = [a](int c) {
        int t = c * a + 0x80;
        return ((t >> 8) + t) >> 8;
    };
    int c = std::min(255, (p * 255 + a / 2) / a);
    int lo = c, hi = c;
    while (lo > 0 && premul(lo - 1) == p)
        --lo;
    while (hi < 255 && premul(hi + 1) == p)
        ++hi;
    return static_cast<uint8_t>(std::clamp(hint, lo, hi));
}

// RGBA PNG through libpng at the strongest compression.
inline void write_png(cairo_surface_t* s, const std::string& file) {
    cairo_surface_flush(s);
    const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    const int stride = cairo_image_surface_get_stride(s);
    const uint8_t* data = cairo_image_surface_get_data(s);
    std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        const uint32_t* px =
            reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
        uint8_t* out = &rgba[static_cast<size_t>(y) * w * 4];
        int hint[3] = {0, 0, 0};
        for (int x = 0; x < w; ++x) {
            const uint32_t p = px[x];
            const int a = p >> 24;
            const int pre[3] = {static_cast<int>((p >> 16) & 0xff),
                                static_cast<int>((p >> 8) & 0xff), static_cast<int>(p & 0xff)};
            for (int c = 0; c < 3; ++c) {
                uint8_t v = 0;
                if (a == 255)
                    v = static_cast<uint8_t>(pre[c]);
                else if (a > 0)
                    v = straight_channel(pre[c], a, hint[c]);
                else
                    v = static_cast<uint8_t>(hint[c]);
                out[x * 4 + c] = v;
                hint[c] = v;
            }
            out[x * 4 + 3] = static_cast<uint8_t>(a);
        }
    }
    FILE* f = std::fopen(file.c_str(), "wb");
    if (!f)
        throw std::runtime_error("cannot write " + file);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        throw std::runtime_error("cannot write " + file);
    }
    png_init_io(png, f);
    png_set_compression_level(png, 9);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    for (int y = 0; y < h; ++y)
        png_write_row(png, &rgba[static_cast<size_t>(y) * w * 4]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(f) != 0)
        throw std::runtime_error("cannot write " + file);
}

// Uncompressed 24-bit bottom-up BMP; the dialog's picture has no transparency.
inline void write_bmp24(cairo_surface_t* s, const std::string& file) {
    cairo_surface_flush(s);
    const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    const int stride = cairo_image_surface_get_stride(s);
    const uint8_t* data = cairo_image_surface_get_data(s);
    const int row = (w * 3 + 3) & ~3;
    const uint32_t image_size = static_cast<uint32_t>(row) * h;
    const uint32_t file_size = 54 + image_size;
    std::vector<uint8_t> out;
    auto u16 = [&](uint32_t v) {
        out.push_back(v & 0xff);
        out.push_back((v >> 8) & 0xff);
    };
    auto u32 = [&](uint32_t v) {
        u16(v & 0xffff);
        u16(v >> 16);
    };
    out.push_back('B');
    out.push_back('M');
    u32(file_size);
    u32(0);
    u32(54);
    u32(40);
    u32(static_cast<uint32_t>(w));
    u32(static_cast<uint32_t>(h));
    u16(1);
    u16(24);
    u32(0);
    u32(image_size);
    u32(2835);  // 72 dpi
    u32(2835);
    u32(0);
    u32(0);
    for (int y = h - 1; y >= 0; --y) {
        const uint32_t* px =
            reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < w; ++x) {
            // Opaque surface: premultiplied equals straight colour.
            out.push_back(px[x] & 0xff);
            out.push_back((px[x] >> 8) & 0xff);
            out.push_back((px[x] >> 16) & 0xff);
        }
        for (int p = w * 3; p < row; ++p)
            out.push_back(0);
    }
    FILE* f = std::fopen(file.c_str(), "wb");
    if (!f || std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0)
        throw std::runtime_error("cannot write " + file);
}

}  // namespace art
