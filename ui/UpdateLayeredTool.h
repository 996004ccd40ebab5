#pragma once

// What the display offers for windows that are not rectangles, and putting
// a picture with alpha on such a window.
//
// With a compositing manager, a window with an RGBA visual is blended with
// the desktop by its alpha, soft edges and all. Without one, alpha is not
// shown at all (transparent pixels come out black), so the window is cut to
// the picture's shape and shows its colours opaque inside it. Either way the
// window gets a bounding shape as well as an input shape: clicks on
// transparent pixels go to whatever lies below, and window managers that
// frame windows copy only the bounding shape. Shapes are cut at the screen's
// own pixels, also on desktops that scale windows.

#include <gtk/gtk.h>

class UpdateLayeredTool {
public:
    // Looks at the display once, on first use.
    static UpdateLayeredTool& Instance();

    // Puts `picture` on `window`, sized to the picture's units, and keeps it
    // there through repaints and a compositing manager coming or going. The
    // picture is shown at the window's scale as it is now: call again when
    // that changes.
    void UpdateLayeredWindow(GtkWindow* window, cairo_surface_t* picture);

    bool m_bShapes = false;              // the X server cuts windows to shapes
    GdkVisual* m_pRgbaVisual = nullptr;  // null when the screen has none

private:
    UpdateLayeredTool();
};
