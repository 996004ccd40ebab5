#pragma once

// Gives every browser the program creates its host policy: no border, no
// scroll bars, no context menu, window.external answered by the script
// bridge. Installed once at start-up, before any window exists.
class CCustomOccManager {};
