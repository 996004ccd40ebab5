#pragma once

// What the hand-off asks of the program's windows as a whole.

// The desktop's integer scale (1, or 2 on a HiDPI desktop): that of the
// dialog owner's screen, or of the first screen while there is none.
int GetDesktopScale();

// Takes every window of the program off the screen, for a program that
// stays only to wait for something.
void HideProgramWindows();
