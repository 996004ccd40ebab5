#pragma once

// Cutting a top-level window to a shape given in screen pixels.
//
// GTK takes shapes in a window's logical pixels, which a desktop that scales
// windows by two turns into blocks of 2 × 2 screen pixels: the soft edge of
// a picture drawn for that scale would be cut in stairs. On X11 this cuts at
// the screen's own pixels, at any scale. A Wayland compositor blends every
// window by its alpha, so there only the input is cut, in logical pixels.

#include <cairo.h>
#include <gtk/gtk.h>

// Whose part of a window's shape a region is: the window's own, or that of
// a layer lying over it (the login window's items over the main window's
// picture). The window takes the union.
enum class ShapePart { Own, Layer };

// Cuts top-level `window` to `region` (in screen pixels from its corner),
// both where it shows and where it takes input: a press outside goes to
// whatever lies below, and window managers that frame windows copy only the
// shape it shows. Null takes that part away; with no part left, the window
// is uncut. Set before the window is shown, the shape comes with it. GTK's
// own shapes must stay unset.
void SetWindowShape(GtkWidget* window, const cairo_region_t* region,
                    ShapePart part = ShapePart::Own);
