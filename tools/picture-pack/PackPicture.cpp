// Decodes a PNG picture at build time into the form the program draws from
// (premultiplied 32-bit ARGB rows, as cairo holds them), so that starting
// the program costs no PNG decoding:
//   pack-picture <in.png> <out>
// The output is the header below followed by the rows; ui/PngImage.cpp
// reads it.

#include <cairo.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "ui/PackedPicture.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <in.png> <out>\n", argv[0]);
        return 2;
    }
    cairo_surface_t* png = cairo_image_surface_create_from_png(argv[1]);
    if (cairo_surface_status(png) != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "%s: %s\n", argv[1],
                     cairo_status_to_string(cairo_surface_status(png)));
        return 1;
    }
    // Every picture becomes ARGB32, whatever the PNG's own format.
    const int width = cairo_image_surface_get_width(png);
    const int height = cairo_image_surface_get_height(png);
    cairo_surface_t* argb = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(argb);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, png, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(argb);

    PackedPictureHeader header{};
    std::memcpy(header.magic, kPackedPictureMagic, sizeof header.magic);
    header.width = uint32_t(width);
    header.height = uint32_t(height);
    header.stride = uint32_t(cairo_image_surface_get_stride(argb));
    FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr) {
        std::perror(argv[2]);
        return 1;
    }
    const size_t rows = size_t(header.stride) * header.height;
    const bool written = std::fwrite(&header, sizeof header, 1, out) == 1 &&
                         std::fwrite(cairo_image_surface_get_data(argb), 1, rows, out) == rows;
    if (std::fclose(out) != 0 || !written) {
        std::perror(argv[2]);
        return 1;
    }
    cairo_surface_destroy(argb);
    cairo_surface_destroy(png);
    return 0;
}
