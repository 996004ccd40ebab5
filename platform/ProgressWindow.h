#pragma once

#include <functional>
#include <string_view>

#include "platform/TransferProgress.h"

// Runs `work` on a worker thread and returns once it has finished, throwing
// what it threw. Meanwhile the program's windows keep repainting but take no
// input, and, once the work has lasted 0.3 s, a small modal window shows
// `title` and the transfer's progress; closing it (or its 取消) sets
// progress.cancelRequested and it stays until `work` has returned. `work`
// must not touch windows; it reports through `progress`. A quit request sets
// progress.cancelRequested too, and one posted before sets it at once.
void RunWithProgressWindow(std::u16string_view title, TransferProgress& progress,
                           const std::function<void()>& work);

// What shows a transfer's progress: the program installs its download window
// (ui/DownloadDlg.h) at start-up, the unit tests a recording fake. Until one
// is installed, the work runs alone on the worker thread, with no window.
using ProgressWindowRunner = void (*)(std::u16string_view title, TransferProgress& progress,
                                      const std::function<void()>& work);
void SetProgressWindow(ProgressWindowRunner runner);
