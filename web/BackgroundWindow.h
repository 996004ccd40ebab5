#pragma once

#include <cairo.h>

#include "platform/DialogWindow.h"

// What the login window asks of the main window it lies on: the two move
// as one, led by whichever the pointer was last over, and the login window
// paints the main window's picture under its items.
class IBackgroundWindow {
public:
    // The main window itself: its place, and minimising it.
    virtual CDialogWindow& GetWindow() = 0;
    // The picture it shows; null without one.
    virtual cairo_surface_t* GetPicture() const = 0;
    // Whether it leads moves (the login window follows) or follows them.
    virtual bool BackgroundLeads() const = 0;
    virtual void SetBackgroundLeads(bool leads) = 0;
    // Whether its picture has been drawn once: the login window's browser
    // waits for that, and is told of it by CLoginActiveDlg::OnBackgroundDrawn.
    virtual bool PictureDrawn() const = 0;

protected:
    ~IBackgroundWindow() = default;
};
