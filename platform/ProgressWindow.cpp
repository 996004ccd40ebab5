#include "platform/ProgressWindow.h"

#include "platform/MessageLoop.h"

namespace {

ProgressWindowRunner s_runner = nullptr;

}  // namespace

void SetProgressWindow(ProgressWindowRunner runner) {
    s_runner = runner;
}

void RunWithProgressWindow(std::u16string_view title, TransferProgress& progress,
                           const std::function<void()>& work) {
    // A quit request (a signal that ends the program) stops the work as 取消
    // does, whether it comes before the work or while it runs.
    const CQuitWatch quit([&progress] { progress.cancelRequested = true; });
    if (s_runner != nullptr) {
        s_runner(title, progress, work);
    } else {
        RunOnWorkerThread(work);
    }
}
