#pragma once

// The game mode's one window, the stage: as large as the screen and opaque,
// it shows the launcher's picture with its visible part centred, over a
// backdrop made from the same artwork, and holds the program's other windows
// as layers: the login window lying over the picture, the dialogs modal over
// everything. The compositor then shows it pixel for pixel, never enlarged,
// and no window manager is asked for anything.

#include <cairo.h>
#include <gtk/gtk.h>

// Makes `window` (not yet shown) the stage: as large as its screen, at the
// screen's corner, with nothing on it yet.
void MakeStage(GtkWindow* window);

// Shows `picture` on the stage `window`, its visible part (its pixels with
// any alpha) centred on the screen, at the window's scale.
void ShowStagePicture(GtkWindow* window, cairo_surface_t* picture);

// Puts `layer` on the stage `window`, above what is there. A layer that lies
// over the picture keeps to the picture's corner. A modal one stands centred
// over the picture's visible part and, until it is destroyed, nothing else
// on the stage takes input or the keyboard; then the keyboard goes back to
// where it was.
enum class StageLayer { OverPicture, Modal };
void PutOnStage(GtkWindow* window, GtkWidget* layer, StageLayer kind);

// Moves `layer`, already on the stage, to its place for the size it now has.
void PlaceOnStage(GtkWindow* window, GtkWidget* layer);
