#pragma once

// Turning a picture's alpha channel into the shapes and colours a window
// needs when it stands for that picture on the desktop.
//
// A picture drawn for windows scaled by two has two pixels to the unit and
// says so by its cairo device scale; a window has as many screen pixels to
// its own (logical) pixel as its scale factor. Shapes are cut in screen
// pixels, so that a soft edge keeps all its detail at any scale.

#include <cairo.h>

#include "platform/OwnedPtr.h"

// The region of the pixels whose alpha is at least `minAlpha` (1 to 255), in
// the picture's own pixels.
CairoRegionPtr RegionFromAlpha(cairo_surface_t* picture, int minAlpha);

// The smallest rectangle holding every pixel of the picture that is not
// fully transparent, in its units; empty when there is none.
cairo_rectangle_int_t VisibleBounds(cairo_surface_t* picture);

// The picture as a window at `scale` shows it, pixel for pixel: the picture
// itself (a new reference) when it was drawn at that scale, else a copy
// resampled to it.
CairoSurfacePtr CopyAtScale(cairo_surface_t* picture, int scale);

// The same for `part` of the picture (in its units: a button's cell of its
// strip, say), always a copy. Resampled, the part takes nothing from the
// pixels around it and its edges do not fade.
CairoSurfacePtr CopyAtScale(cairo_surface_t* picture, const cairo_rectangle_int_t& part, int scale);

// The picture's scale: how many of its pixels make one unit (its cairo
// device scale, 1 unless set).
int ScaleOf(cairo_surface_t* picture);

// A copy of the picture with every pixel fully opaque in its own colour (its
// premultiplied colour divided by its alpha): what a window without
// per-pixel alpha should show inside its shape. It keeps the picture's
// scale.
CairoSurfacePtr OpaqueCopy(cairo_surface_t* picture);
