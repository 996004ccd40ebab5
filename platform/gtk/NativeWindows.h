#pragma once

// What the toolkit's folder and the web engine's know of the program's
// windows: the widgets behind them, and which shell shows them.

#include <gtk/gtk.h>

#include "platform/DialogWindow.h"
#include "platform/WindowItem.h"

// How the program's windows are shown. X11: each window is a top-level
// window that places itself. Layered: a window that lies over its owner is
// a layer inside its owner's window, for desktops where windows cannot
// place themselves (Wayland, and X window managers that ignore places).
// GameMode: one window the size of the screen, the stage, and every other
// window a layer on it (platform/gtk/GameModeStage.h).
enum class WindowShell { X11, Layered, GameMode };
WindowShell GetWindowShell();
void SetWindowShell(WindowShell shell);

// The screen the program's windows show on: the primary monitor, or the
// first one where none is primary (X servers without RandR's say). Null
// when the display has none.
GdkMonitor* PrimaryMonitor(GdkDisplay* display);

// The widget behind an item.
GtkWidget* NativeWidgetOf(const CWindowItem& item);
// The top-level window a window shows in: its own, or its owner's when it
// is a layer of it. Null before it is created.
GtkWindow* NativeWindowOf(const CDialogWindow& window);

// Makes the item for `widget` (a template's object).
std::unique_ptr<CWindowItem> MakeWindowItem(GtkWidget* widget);
