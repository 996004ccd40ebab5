#pragma once

#include <gtk/gtk.h>

class CDialogWindow;

// The widget of `window`'s item `itemId`, or null: the one place where the
// web engine reaches into the window layer.
GtkWidget* WindowItemWidget(CDialogWindow& window, int itemId);
