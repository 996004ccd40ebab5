#pragma once

// The gamepad as the player's keyboard, on every desktop: its presses reach
// the program's window that has the keyboard as the keys they stand for
// (platform/GamepadKeys.h), so they move through the page's fields, the
// program's buttons and its dialogs exactly as the keys do.

#include <functional>

// Starts reading gamepads, plugged in now or later. Call once, after the
// display is open. Where gamepads cannot be read, one line on stderr and the
// program runs on without them.
void StartGamepadKeys();

// What the pad's Y (north) button does, on the main loop; empty: nothing.
void SetGamepadKeyboardButton(std::function<void()> onPress);
