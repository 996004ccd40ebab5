#pragma once

// Cutting a top-level window to a shape given in screen pixels.
//
// GTK takes shapes in a window's logical pixels, which a desktop that scales
// windows by two turns into blocks of 2 × 2 screen pixels: the soft edge of
// a picture drawn for that scale would be cut in stairs. This cuts at the
// screen's own pixels, at any scale.

#include <cairo.h>
#include <gtk/gtk.h>

// Cuts top-level `window` to `region` (in screen pixels from its corner),
// both where it shows and where it takes input: a press outside goes to
// whatever lies below, and window managers that frame windows copy only the
// shape it shows. Null takes the shape away. Set before the window is
// shown, the shape comes with it. GTK's own shapes must stay unset. The
// window stays uncut on displays other than X11 (the program allows only
// X11).
void SetWindowShape(GtkWidget* window, const cairo_region_t* region);
