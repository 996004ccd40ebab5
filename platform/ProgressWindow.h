#pragma once

#include <functional>
#include <string_view>

#include "platform/TransferProgress.h"

// Runs `work` on a worker thread and returns once it has finished, throwing
// what it threw. Meanwhile the program's windows keep repainting but take no
// input, and, once the work has lasted 0.3 s, a small modal window shows
// `title` and the transfer's progress; closing it (or its 取消) sets
// progress.cancelRequested and it stays until `work` has returned. `work`
// must not touch windows; it reports through `progress`.
//
// The program links the download window in ui/DownloadDlg.cpp; the unit
// tests link a recording fake (tests/support/FakePlatform.cpp).
void RunWithProgressWindow(std::u16string_view title, TransferProgress& progress,
                           const std::function<void()>& work);
