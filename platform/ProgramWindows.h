#pragma once

// What the hand-off asks of the program's windows. The application hands an
// implementation down (ui/ProgramWindows.h); the unit tests hand down a
// recording fake.

#include <functional>
#include <string_view>

#include "platform/TransferProgress.h"

class IProgramWindows {
public:
    virtual ~IProgramWindows() = default;

    // A modal message with one OK button; returns when the player has closed
    // it. Other windows of the program take no input meanwhile.
    virtual void ShowMessage(std::u16string_view text, std::u16string_view caption) = 0;

    // Runs `work` on a worker thread and returns once it has finished,
    // throwing what it threw. Meanwhile the program's windows keep
    // repainting but take no input, and, once the work has lasted 0.3 s, a
    // small modal window shows `title` and the transfer's progress; closing
    // it (or its 取消) sets progress.cancelRequested and it stays until
    // `work` has returned. `work` must not touch windows; it reports through
    // `progress`. A quit request sets progress.cancelRequested too, and one
    // posted before sets it at once: that holds for every implementation,
    // which is why this is not virtual.
    void RunWithProgressWindow(std::u16string_view title, TransferProgress& progress,
                               const std::function<void()>& work);

    // The desktop's integer scale (1, or 2 on a HiDPI desktop): that of the
    // dialog owner's screen, or of the first screen while there is none.
    virtual int GetDesktopScale() = 0;

    // Takes every window of the program off the screen, for a program that
    // stays only to wait for something.
    virtual void HideProgramWindows() = 0;

protected:
    // Shows the progress window while `work` runs on a worker thread.
    virtual void RunWithWindow(std::u16string_view title, TransferProgress& progress,
                               const std::function<void()>& work) = 0;
};

// The platform's own answers (platform/gtk/ProgramWindowsGtk.cpp), which the
// program's implementation passes on; the hand-off asks the interface.
int GetDesktopScale();
void HideProgramWindows();
