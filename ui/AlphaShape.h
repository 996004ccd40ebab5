#pragma once

// Turning a picture's alpha channel into the shapes and colours a window
// needs when it stands for that picture on the desktop.

#include <cairo.h>

// The region of the pixels whose alpha is at least `minAlpha` (1 to 255).
// The caller destroys it.
cairo_region_t* RegionFromAlpha(cairo_surface_t* picture, int minAlpha);

// A copy of the picture with every pixel fully opaque in its own colour (its
// premultiplied colour divided by its alpha): what a window without
// per-pixel alpha should show inside its shape. The caller destroys it.
cairo_surface_t* OpaqueCopy(cairo_surface_t* picture);
