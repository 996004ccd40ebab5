#pragma once

// Whether the program runs in a handheld's game mode (the gamescope
// compositor, gamepad only), decided from the environment. IsGameMode()
// (platform/Desktop.h) asks the real environment once; the decision itself
// is here, apart, so that its rules can be checked with any values.

// `forced`: THARNVALE_GAME_MODE ("1" on, "0" off, anything else no say);
// `currentDesktop`: XDG_CURRENT_DESKTOP, a colon-separated list of names;
// `gamescopeDisplay`: GAMESCOPE_WAYLAND_DISPLAY. Each may be null (unset).
bool DecideGameMode(const char* forced, const char* currentDesktop, const char* gamescopeDisplay);
