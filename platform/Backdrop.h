#pragma once

// What fills a screen around and under a picture that does not cover it:
// the picture itself, enlarged to cover the screen, blurred and darkened, on
// its own mean colour, so that every pixel is opaque and none is black
// unless the artwork is.

#include <cairo.h>

#include "platform/OwnedPtr.h"

// A fully opaque backdrop of `width` × `height` units at `scale` screen
// pixels a unit, made from `picture`.
CairoSurfacePtr MakeBackdrop(cairo_surface_t* picture, int width, int height, int scale);
