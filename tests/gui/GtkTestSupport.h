#pragma once

// What the in-process GUI tests share: finding windows, acting from inside
// the main loop, and a main() that starts GTK only when tests run.

#include <gtk/gtk.h>

#include <functional>

// The first visible top-level window whose title is `title`, or null.
GtkWindow* FindWindow(const char* title);

// Runs `check` from the main loop every 20 ms until it returns true. Returns
// the id of the main loop's source that does it.
guint Poll(std::function<bool()> check);

// Runs `act` from the main loop once a window titled `title` is visible.
guint WhenShown(const char* title, std::function<void(GtkWindow*)> act);

// Queues a key press and its release for `window`, with the modifiers
// `state` held, as if the X server had sent them: they take the same way
// through GTK as a player's key, grabs and the window's own key bindings
// included.
void PutKey(GdkWindow* window, guint keyval, GdkModifierType state = GdkModifierType(0));
// Queues the keyboard's coming to `window`, as a window manager gives it:
// with none, a window is never the active one, and GTK's Tab keeps the
// keyboard on an item that does not have it yet.
void PutFocusIn(GdkWindow* window);

// What the X server holds of a realized top-level window, in screen pixels:
// its shape (ShapeBounding or ShapeInput from X11/extensions/shape.h; a
// region the caller destroys), its place and its size.
cairo_region_t* ScreenShape(GtkWidget* window, int kind);
GdkRectangle ScreenGeometry(GtkWidget* window);
