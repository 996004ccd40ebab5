#include "tests/support/FakePlatform.h"

#include "platform/MessageLoop.h"
#include "platform/WorkerThread.h"

FakePlatform& Fake() {
    static FakePlatform fake;
    return fake;
}

void FakePlatform::ShowMessage(std::u16string_view text, std::u16string_view caption) {
    messages.push_back({std::u16string(text), std::u16string(caption)});
}

void FakePlatform::RunWithWindow(std::u16string_view title, TransferProgress& progress,
                                 const std::function<void()>& work) {
    progressTitles.emplace_back(title);
    RunBeside(work, [&] {
        if (duringProgress) {
            duringProgress(progress);
        }
    });
}

// The platform's message loop (platform/MessageLoop.h), recorded instead:
// these definitions come before the platform library's, whose loop is then
// never linked in.

void PostQuitMessage(int exitCode) {
    Fake().quitCodes.push_back(exitCode);
}

void PostQuitMessageWhen(int exitCode, std::function<bool()> ended) {
    Fake().quitCodes.push_back(exitCode);
    Fake().quitWhen = std::move(ended);
}

bool IsQuitPosted() {
    return !Fake().quitCodes.empty();
}

int GetQuitExitCode() {
    return Fake().quitCodes.empty() ? 0 : Fake().quitCodes.back();
}

// A request posted before the watch is made stops the work at once; later
// ones tell no watch.
CQuitWatch::CQuitWatch(std::function<void()> onQuit) : m_onQuit(std::move(onQuit)) {
    if (IsQuitPosted()) {
        m_onQuit();
    }
}
CQuitWatch::~CQuitWatch() = default;

// Nothing here waits for events: a loop ends at once, as if ended.
struct CMessageLoop::Impl {};
CMessageLoop::CMessageLoop() : m_pImpl(nullptr) {}
CMessageLoop::~CMessageLoop() = default;
bool CMessageLoop::Run() {
    return !IsQuitPosted();
}
void CMessageLoop::End() {}

void RunOnWorkerThread(const std::function<void()>& work) {
    RunBeside(work, [] {});
}
