#include "platform/Backdrop.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "platform/AlphaShape.h"

namespace {

// How much smaller the blur's copy is than the screen: each of its pixels
// stands for a block this wide, and enlarging it back smooths the blocks.
constexpr int kBlurBlock = 24;
// How much of the artwork's brightness the backdrop keeps: the picture in
// front stands out from it.
constexpr double kBrightness = 0.55;
// How deep the shade is it darkens towards, of the artwork's mean colour.
constexpr double kShade = 0.4;

struct Rgb {
    double r, g, b;
};

// The mean colour of the pixels with alpha, weighted by it; mid grey for a
// picture with none.
Rgb MeanColour(cairo_surface_t* image) {
    cairo_surface_flush(image);
    const int width = cairo_image_surface_get_width(image);
    const int height = cairo_image_surface_get_height(image);
    const int stride = cairo_image_surface_get_stride(image);
    const unsigned char* data = cairo_image_surface_get_data(image);
    double r = 0, g = 0, b = 0, a = 0;
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + ptrdiff_t(y) * stride);
        for (int x = 0; x < width; ++x) {
            // Premultiplied: the colours already carry their alpha's weight.
            r += (row[x] >> 16) & 0xff;
            g += (row[x] >> 8) & 0xff;
            b += row[x] & 0xff;
            a += row[x] >> 24;
        }
    }
    if (a == 0) {
        return {0.5, 0.5, 0.5};
    }
    return {r / a, g / a, b / a};
}

}  // namespace

CairoSurfacePtr MakeBackdrop(cairo_surface_t* picture, int width, int height, int scale) {
    const int pictureScale = ScaleOf(picture);
    const double pictureWidth = double(cairo_image_surface_get_width(picture)) / pictureScale;
    const double pictureHeight = double(cairo_image_surface_get_height(picture)) / pictureScale;

    // The picture shrunk so far that only its colours' broad sweep is left,
    // covering the screen with its aspect kept.
    const int smallWidth = std::max(1, width / kBlurBlock);
    const int smallHeight = std::max(1, height / kBlurBlock);
    const CairoSurfacePtr small(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, smallWidth, smallHeight));
    {
        const CairoPtr cr(cairo_create(small.get()));
        const double cover = std::max(smallWidth / pictureWidth, smallHeight / pictureHeight);
        cairo_translate(cr.get(), (smallWidth - pictureWidth * cover) / 2,
                        (smallHeight - pictureHeight * cover) / 2);
        cairo_scale(cr.get(), cover, cover);
        cairo_set_source_surface(cr.get(), picture, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_GOOD);
        cairo_paint(cr.get());
    }
    const Rgb mean = MeanColour(small.get());

    CairoSurfacePtr backdrop(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, width * scale, height * scale));
    cairo_surface_set_device_scale(backdrop.get(), scale, scale);
    const CairoPtr cr(cairo_create(backdrop.get()));
    cairo_set_source_rgb(cr.get(), mean.r, mean.g, mean.b);
    cairo_paint(cr.get());
    cairo_save(cr.get());
    cairo_scale(cr.get(), double(width) / smallWidth, double(height) / smallHeight);
    cairo_set_source_surface(cr.get(), small.get(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_BILINEAR);
    cairo_pattern_set_extend(cairo_get_source(cr.get()), CAIRO_EXTEND_PAD);
    cairo_paint(cr.get());
    cairo_restore(cr.get());
    // Darkened towards a deep shade of the artwork's own colour, not towards
    // black: its darkest corners keep a colour.
    cairo_set_source_rgba(cr.get(), mean.r * kShade, mean.g * kShade, mean.b * kShade,
                          1 - kBrightness);
    cairo_paint(cr.get());
    return backdrop;
}
