#pragma once

// Where a window goes on the screen when it places itself.

#include "platform/WindowItem.h"

// `window` (its size; its place is ignored) moved so that `visible`, the part
// of it a player sees (in the window's pixels: a picture with a transparent
// margin shows less than its whole rectangle), stands in the middle of
// `area`. Where the visible part is wider or taller than the area, its left
// or top edge goes on the area's instead: the player sees the corner where
// the picture starts, and the margin may hang off the screen.
CRect PlaceVisiblePart(const CRect& window, const CRect& visible, const CRect& area);
