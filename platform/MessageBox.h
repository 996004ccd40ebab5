#pragma once

#include <string_view>

// A modal message with one OK button and no owner window; returns when the
// player has closed it. Other windows of the program take no input meanwhile.
void ShowMessageBox(std::u16string_view text, std::u16string_view caption);
