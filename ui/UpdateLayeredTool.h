#pragma once

// Putting a picture with alpha on a window that stands for it on the
// desktop: blended by its alpha where the desktop composites windows, cut to
// its shape where it does not; either way a press on a transparent pixel
// goes to whatever lies below.

#include <cairo.h>

#include "platform/DialogWindow.h"

class UpdateLayeredTool {
public:
    static UpdateLayeredTool& Instance();

    // Puts `picture` on `window`, sized to the picture's units. The picture
    // is shown at the window's scale as it is now: call again when that
    // changes.
    void UpdateLayeredWindow(CDialogWindow& window, cairo_surface_t* picture) {
        window.SetLayeredPicture(picture);
    }
};
