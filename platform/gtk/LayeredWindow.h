#pragma once

// Top-level windows that stand for a picture with alpha on the desktop.
//
// With a compositing manager (and on Wayland, always), a window with an RGBA
// visual is blended with the desktop by its alpha, soft edges and all.
// Without one, alpha is not shown at all (transparent pixels come out black),
// so the window is cut to the picture's shape and shows its colours opaque
// inside it. Either way the window gets an input shape (and on X11 a
// bounding shape as well): clicks on transparent pixels go to whatever lies
// below, and window managers that frame windows copy only the bounding
// shape. Shapes are cut at the screen's own pixels, also on desktops that
// scale windows.

#include <cairo.h>
#include <gtk/gtk.h>

// The screen's visual with alpha; null when it has none.
GdkVisual* RgbaVisual();

// Gives a window that is not on the display yet the visual with alpha.
void UseAlphaVisual(GtkWidget* window);

// Puts the part `shown` (in the picture's units) of `picture` on `window`,
// sized to it, and keeps it there through repaints and a compositing
// manager coming or going. The picture is shown at the window's scale as it
// is now: call again when that changes. Layers draw over it.
void ShowLayeredPicture(GtkWindow* window, cairo_surface_t* picture,
                        const cairo_rectangle_int_t& shown);

// Makes `layer` the layer over the picture of `window`: it lies with its
// corner on the picture's, wherever the part of the picture the window
// shows puts that.
void SetPictureLayer(GtkWindow* window, GtkWidget* layer);

// Where the picture's corner stands in `window`, in its units: 0, 0 unless
// the window shows only a part of it.
void GetPictureOrigin(GtkWindow* window, int& x, int& y);
