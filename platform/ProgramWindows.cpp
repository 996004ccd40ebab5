#include "platform/ProgramWindows.h"

#include "platform/MessageLoop.h"

void IProgramWindows::RunWithProgressWindow(std::u16string_view title, TransferProgress& progress,
                                            const std::function<void()>& work) {
    // A quit request (a signal that ends the program) stops the work as 取消
    // does, whether it comes before the work or while it runs.
    const CQuitWatch quit([&progress] { progress.cancelRequested = true; });
    RunWithWindow(title, progress, work);
}
