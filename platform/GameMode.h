#pragma once

// The handheld's game mode: a compositor that shows one window per program,
// fitted to the screen, with no window manager and a gamepad for input.

#include <string_view>

// Whether the environment says the program runs in game mode:
// `forced` (THARNVALE_GAME_MODE) "1" or "0" decides; otherwise a desktop
// list (XDG_CURRENT_DESKTOP, names separated by colons) naming gamescope, or
// a gamescope Wayland display (GAMESCOPE_WAYLAND_DISPLAY), says so. Null
// stands for a variable that is not set.
bool GameModeFromEnvironment(const char* forced, const char* desktops,
                             const char* gamescopeDisplay);

// The same for this process's environment, read once.
bool IsGameMode();
