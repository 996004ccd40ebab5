#include <gtk/gtk.h>

#include <algorithm>
#include <vector>

#include "platform/MessageLoop.h"
#include "platform/OwnedPtr.h"
#include "platform/WorkerThread.h"

namespace {

// The running loops, innermost last.
std::vector<GMainLoop*> g_runningLoops;
bool g_bQuitPosted = false;
int g_nExitCode = 0;
guint g_nQuitSource = 0;

gboolean OnQuitPosted(gpointer) {
    g_nQuitSource = 0;
    for (GMainLoop* loop : g_runningLoops) {
        g_main_loop_quit(loop);
    }
    return G_SOURCE_REMOVE;
}

// Asks `loop` to end once it is idle; from any thread.
void EndWhenIdle(GMainLoop* loop) {
    g_idle_add(
        [](gpointer data) -> gboolean {
            g_main_loop_quit(static_cast<GMainLoop*>(data));
            return G_SOURCE_REMOVE;
        },
        loop);
}

}  // namespace

struct CMessageLoop::Impl {
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    ~Impl() { g_main_loop_unref(loop); }
};

void PostQuitMessage(int exitCode) {
    g_bQuitPosted = true;
    g_nExitCode = exitCode;
    // An idle callback runs only once control is back in a main loop, which
    // is when a posted quit message would be seen.
    if (g_nQuitSource == 0) {
        g_nQuitSource = g_idle_add(OnQuitPosted, nullptr);
    }
}

void PostQuitMessageWhen(int exitCode, std::function<bool()> ended) {
    g_bQuitPosted = true;
    g_nExitCode = exitCode;
    constexpr guint kIntervalMilliseconds = 500;
    auto* condition = new std::function<bool()>(std::move(ended));
    g_timeout_add_full(
        G_PRIORITY_DEFAULT, kIntervalMilliseconds,
        [](gpointer data) -> gboolean {
            if (!(*static_cast<std::function<bool()>*>(data))()) {
                return G_SOURCE_CONTINUE;
            }
            OnQuitPosted(nullptr);
            return G_SOURCE_REMOVE;
        },
        condition, [](gpointer data) { delete static_cast<std::function<bool()>*>(data); });
}

bool IsQuitPosted() {
    return g_bQuitPosted;
}

int GetQuitExitCode() {
    return g_nExitCode;
}

CMessageLoop::CMessageLoop() : m_pImpl(std::make_unique<Impl>()) {}

CMessageLoop::~CMessageLoop() = default;

bool CMessageLoop::Run() {
    if (!g_bQuitPosted) {
        g_runningLoops.push_back(m_pImpl->loop);
        g_main_loop_run(m_pImpl->loop);
        g_runningLoops.erase(
            std::find(g_runningLoops.begin(), g_runningLoops.end(), m_pImpl->loop));
    }
    return !g_bQuitPosted;
}

void CMessageLoop::End() {
    g_main_loop_quit(m_pImpl->loop);
}

void RunOnWorkerThread(const std::function<void()>& work) {
    const OwnedPtr<GMainLoop, g_main_loop_unref> loop(g_main_loop_new(nullptr, FALSE));
    RunBeside(
        [&] {
            // Ends the loop as the work ends, however it ends.
            const OwnedPtr<GMainLoop, EndWhenIdle> endLoop(loop.get());
            work();
        },
        [&] { g_main_loop_run(loop.get()); });
}
