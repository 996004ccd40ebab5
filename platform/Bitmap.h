#pragma once

// Pictures in the formats the toolkit's image loaders read (BMP among
// them), for the few built-in pictures that are not PNG.

#include <cstddef>

#include "platform/OwnedPtr.h"

// The picture in `data`, as a surface; null when it cannot be read.
CairoSurfacePtr DecodeBitmap(const unsigned char* data, size_t size);
