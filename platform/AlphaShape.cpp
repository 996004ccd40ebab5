#include "platform/AlphaShape.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

uint8_t AlphaOf(uint32_t argb) {
    return uint8_t(argb >> 24);
}

const uint32_t* Row(cairo_surface_t* s, int y) {
    return reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(s) +
                                             ptrdiff_t(y) * cairo_image_surface_get_stride(s));
}

}  // namespace

CairoRegionPtr RegionFromAlpha(cairo_surface_t* picture, int minAlpha) {
    cairo_surface_flush(picture);
    const int width = cairo_image_surface_get_width(picture);
    const int height = cairo_image_surface_get_height(picture);
    // One rectangle per run of kept pixels in a row; building the region
    // from all of them at once is far quicker than adding them one by one.
    std::vector<cairo_rectangle_int_t> runs;
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = Row(picture, y);
        for (int x = 0; x < width;) {
            if (AlphaOf(row[x]) < minAlpha) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < width && AlphaOf(row[x]) >= minAlpha) {
                ++x;
            }
            runs.push_back({start, y, x - start, 1});
        }
    }
    return CairoRegionPtr(cairo_region_create_rectangles(runs.data(), int(runs.size())));
}

int ScaleOf(cairo_surface_t* picture) {
    double x = 1;
    double y = 1;
    cairo_surface_get_device_scale(picture, &x, &y);
    return int(x);
}

CairoSurfacePtr CopyAtScale(cairo_surface_t* picture, const cairo_rectangle_int_t& part,
                            int scale) {
    CairoSurfacePtr copy(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, part.width * scale, part.height * scale));
    cairo_surface_set_device_scale(copy.get(), scale, scale);
    // The part alone, in the picture's units, its edge pixels repeated
    // outwards: enlarging blends each pixel with its neighbours, and those
    // outside the part (another cell of a strip, or nothing) must not show.
    const CairoSurfacePtr source(
        cairo_surface_create_for_rectangle(picture, part.x, part.y, part.width, part.height));
    const OwnedPtr<cairo_pattern_t, cairo_pattern_destroy> pattern(
        cairo_pattern_create_for_surface(source.get()));
    cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_PAD);
    const CairoPtr cr(cairo_create(copy.get()));
    cairo_set_source(cr.get(), pattern.get());
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr.get());
    return copy;
}

cairo_rectangle_int_t VisibleBounds(cairo_surface_t* picture) {
    cairo_rectangle_int_t box{0, 0, 0, 0};
    cairo_region_get_extents(RegionFromAlpha(picture, 1).get(), &box);
    // Whole units that take in every visible pixel.
    const int scale = ScaleOf(picture);
    const int right = (box.x + box.width + scale - 1) / scale;
    const int bottom = (box.y + box.height + scale - 1) / scale;
    box.x /= scale;
    box.y /= scale;
    return {box.x, box.y, right - box.x, bottom - box.y};
}

CairoSurfacePtr CopyAtScale(cairo_surface_t* picture, int scale) {
    const int own = ScaleOf(picture);
    if (own == scale) {
        return CairoSurfacePtr(cairo_surface_reference(picture));
    }
    return CopyAtScale(picture,
                       {0, 0, cairo_image_surface_get_width(picture) / own,
                        cairo_image_surface_get_height(picture) / own},
                       scale);
}

CairoSurfacePtr OpaqueCopy(cairo_surface_t* picture) {
    cairo_surface_flush(picture);
    const int width = cairo_image_surface_get_width(picture);
    const int height = cairo_image_surface_get_height(picture);
    CairoSurfacePtr copy(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    const int stride = cairo_image_surface_get_stride(copy.get());
    unsigned char* data = cairo_image_surface_get_data(copy.get());
    for (int y = 0; y < height; ++y) {
        const uint32_t* in = Row(picture, y);
        auto* out = reinterpret_cast<uint32_t*>(data + ptrdiff_t(y) * stride);
        for (int x = 0; x < width; ++x) {
            const uint32_t a = AlphaOf(in[x]);
            if (a == 0) {
                out[x] = 0;
                continue;
            }
            // Most of a picture is opaque, and premultiplied or not, its
            // pixels are the same.
            if (a == 255) {
                out[x] = in[x];
                continue;
            }
            auto channel = [&](int shift) {
                return ((((in[x] >> shift) & 0xFF) * 255 + a / 2) / a) & 0xFF;
            };
            out[x] = 0xFF000000u | (channel(16) << 16) | (channel(8) << 8) | channel(0);
        }
    }
    cairo_surface_mark_dirty(copy.get());
    const int scale = ScaleOf(picture);
    cairo_surface_set_device_scale(copy.get(), scale, scale);
    return copy;
}
