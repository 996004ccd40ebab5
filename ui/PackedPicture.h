#pragma once

#include <cstdint>

// A picture decoded at build time: this header, then `height` rows of
// `stride` bytes of premultiplied native-endian ARGB32 pixels. The program's
// pictures are built in this way so that drawing them needs no decoding;
// PNG bytes are read as well.
inline constexpr char kPackedPictureMagic[8] = {'T', 'V', 'A', 'R', 'G', 'B', '3', '2'};

struct PackedPictureHeader {
    char magic[8];
    uint32_t width;
    uint32_t height;
    uint32_t stride;
    uint32_t reserved;  // keeps the rows as aligned as the header
};
static_assert(sizeof(PackedPictureHeader) == 24);
