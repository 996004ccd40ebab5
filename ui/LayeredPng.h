#pragma once

#include "platform/DialogWindow.h"
#include "ui/PngImage.h"

// A picture and the window that stands for it on the desktop.
class CLayeredPng {
public:
    // Puts the picture on the target window with its alpha, at the picture's
    // size, keeping the window's position. Nothing without a picture or a
    // window.
    void UpdateLayered();

    CGdiPlusPngResource m_picture;
    CDialogWindow* m_hTargetWnd = nullptr;
};
