// The application icon: a heater shield with the moon and the sword of the
// key art. It is drawn once, on a 64-unit grid; every size scales that grid,
// so the window's 64-pixel icon, the desktop's icons and the scalable one are
// the same picture.

#include "artwork.h"

#include <cairo-svg.h>

#include <cmath>

namespace art {

namespace {

constexpr int kGrid = 64;

// The desktop's scalable icon keeps its soft parts (shadow, glows) as
// rasters of this size, enough for the largest icon a desktop shows.
constexpr int kSvgPixels = 256;

void shield(cairo_t* c) {
    cairo_move_to(c, 32, 3);
    cairo_curve_to(c, 40, 7, 50, 8, 58, 7);
    cairo_curve_to(c, 60, 30, 54, 48, 32, 61);
    cairo_curve_to(c, 10, 48, 4, 30, 6, 7);
    cairo_curve_to(c, 14, 8, 24, 7, 32, 3);
    cairo_close_path(c);
}

// The shield's outline shrunk by `scale` about its middle, moved down by `dy`.
void inner_shield(cairo_t* cr, double scale, double dy) {
    cairo_save(cr);
    cairo_translate(cr, 32, 32);
    cairo_scale(cr, scale, scale);
    cairo_translate(cr, -32, -32 + dy);
    cairo_new_path(cr);
    shield(cr);
    cairo_restore(cr);
}

// Blur radii and offsets are device pixels: they grow with the picture.
int soft(double radius, double scale) {
    return static_cast<int>(std::lround(radius * scale));
}

// The crescent: the part of a disc outside a smaller, offset one.
void moon_disc(cairo_t* cr) {
    circle(cr, 32, 26, 14);
    radial(cr, 26, 22, 16, {{0.0, kMoonLight}, {1.0, hex(0xc9ad74)}});
}
void moon_bite(cairo_t* cr) {
    circle(cr, 37, 22, 12.5);
}

void draw_moon(cairo_t* cr, double scale) {
    Layer moon(cr);
    copy_matrix(cr, moon.cr());
    moon_disc(moon.cr());
    cairo_fill(moon.cr());
    cairo_set_operator(moon.cr(), CAIRO_OPERATOR_DEST_OUT);
    moon_bite(moon.cr());
    set(moon.cr(), hex(0x000000));
    cairo_fill(moon.cr());
    Layer halo(cr);
    moon.paint_onto(halo.cr());
    halo.blur(soft(2, scale));
    halo.paint_onto(cr, 0.6);
    if (cairo_surface_get_type(cairo_get_target(cr)) == CAIRO_SURFACE_TYPE_IMAGE) {
        moon.paint_onto(cr);
        return;
    }
    // On a vector target the crescent stays a shape, sharp at any size: the
    // disc clipped to outside the bite. The bite winds against the square
    // around it, so that it is a hole by the default fill rule: cairo's SVG
    // puts any other rule where renderers do not look for it.
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, 0, 0, kGrid, kGrid);
    cairo_new_sub_path(cr);
    cairo_arc_negative(cr, 37, 22, 12.5, 0, -2 * kPi);
    cairo_close_path(cr);
    cairo_clip(cr);
    moon_disc(cr);
    cairo_fill(cr);
    cairo_restore(cr);
}

// Draws on cr, whose user space is the 64-unit grid at `scale` device pixels
// a unit.
void draw_icon(cairo_t* cr, double scale) {
    glow(cr, shield, hex(0x000000), soft(1, scale), 0.6, 0, 0, scale);
    cairo_new_path(cr);
    shield(cr);
    gold_diagonal(cr, 6, 3, 58, 61);
    cairo_fill(cr);
    // The field, inside the gold rim.
    inner_shield(cr, 0.86, 1);
    radial(cr, 30, 22, 40, {{0.0, hex(0x22406a)}, {0.6, hex(0x0f1d36)}, {1.0, hex(0x060b16)}});
    cairo_fill(cr);
    draw_moon(cr, scale);
    // Sword point-down through the crest.
    glow(
        cr, [](cairo_t* c) { cairo_rectangle(c, 30.5, 14, 3, 38); }, kArcane, soft(2, scale), 0.8);
    cairo_new_path(cr);
    cairo_move_to(cr, 30, 20);
    cairo_line_to(cr, 34, 20);
    cairo_line_to(cr, 34, 48);
    cairo_line_to(cr, 32, 53);
    cairo_line_to(cr, 30, 48);
    cairo_close_path(cr);
    linear(cr, 30, 0, 34, 0, {{0.0, hex(0xffffff)}, {0.5, hex(0xbfeaff)}, {1.0, hex(0x4f8fc0)}});
    cairo_fill(cr);
    // Guard and pommel.
    cairo_new_path(cr);
    rounded_rect(cr, 22, 17.5, 20, 3.5, 1.5);
    gold_vertical(cr, 17.5, 21);
    cairo_fill(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, 31, 11, 2, 7);
    set(cr, hex(0x3a2410));
    cairo_fill(cr);
    circle(cr, 32, 10, 2.6);
    gold_vertical(cr, 7.4, 12.6);
    cairo_fill(cr);
    // Inner gold line.
    inner_shield(cr, 0.8, 1.5);
    set(cr, with_alpha(kGold, 0.6));
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
}

}  // namespace

void make_icon(const std::string& file, int size) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    cairo_t* cr = cairo_create(s);
    const double scale = static_cast<double>(size) / kGrid;
    cairo_scale(cr, scale, scale);
    draw_icon(cr, scale);
    cairo_destroy(cr);
    write_png(s, file);
    cairo_surface_destroy(s);
}

void make_icon_svg(const std::string& file) {
    cairo_surface_t* s = cairo_svg_surface_create(file.c_str(), kSvgPixels, kSvgPixels);
    cairo_svg_surface_set_document_unit(s, CAIRO_SVG_UNIT_PX);
    set_raster_size(s, kSvgPixels, kSvgPixels);
    cairo_t* cr = cairo_create(s);
    const double scale = static_cast<double>(kSvgPixels) / kGrid;
    cairo_scale(cr, scale, scale);
    draw_icon(cr, scale);
    cairo_destroy(cr);
    cairo_surface_finish(s);
    const cairo_status_t status = cairo_surface_status(s);
    cairo_surface_destroy(s);
    if (status != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error("cannot write " + file);
}

}  // namespace art
