#pragma once

#include <string_view>

// A modal message with one OK button; returns when the player has closed it.
// Other windows of the program take no input meanwhile. It stands centred
// over the dialog owner, when one is set, and stays above it.
void ShowMessageBox(std::u16string_view text, std::u16string_view caption);

class CDialogWindow;

// The window the program's messages and progress window belong to: the
// topmost of the program's own (the login window). Null: none, centred on the
// screen. The caller keeps it set only while the window exists.
void SetDialogOwner(CDialogWindow* owner);
CDialogWindow* GetDialogOwner();
