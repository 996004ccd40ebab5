#pragma once

#include <functional>
#include <string_view>

#include "platform/TransferProgress.h"

// Runs `work` on a worker thread and returns once it has finished. Meanwhile
// a small modal window shows `title` and the bytes received out of the total
// as a bar, the program's windows keep repainting but take no input, and
// closing the window sets progress.cancelRequested. `work` must not touch
// windows; it reports through `progress`.
void RunWithProgressWindow(std::u16string_view title, TransferProgress& progress,
                           const std::function<void()>& work);
