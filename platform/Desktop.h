#pragma once

// The desktop the program's windows show on.

// Opens the display the program's windows show on, with the program known
// to the desktop by `applicationId` (its desktop entry's name, also the
// windows' class) and `name`. Prefers X11, where the windows place
// themselves, whenever an X display can be opened and the desktop shows X
// windows where they ask to be (plain X11, GNOME and KDE Plasma through
// XWayland), whatever GDK_BACKEND says; on other Wayland desktops the
// windows show natively, those over another window as layers of it. False,
// with a line on stderr, when no display can be opened.
bool OpenDesktop(const char* applicationId, const char* name);

// Whether the program runs in a handheld's game mode (the gamescope
// compositor, with a gamepad and no window manager of the desktop's):
// THARNVALE_GAME_MODE=1 or 0 says so; otherwise gamescope among
// XDG_CURRENT_DESKTOP's names, or GAMESCOPE_WAYLAND_DISPLAY set. Decided once.
bool IsGameMode();
