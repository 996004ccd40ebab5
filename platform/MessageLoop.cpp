#include "platform/MessageLoop.h"

#include <glib-unix.h>

#include <algorithm>
#include <csignal>
#include <vector>

#include "platform/OwnedPtr.h"
#include "platform/WorkerThread.h"

namespace {

// The running loops, innermost last.
std::vector<GMainLoop*> g_runningLoops;
bool g_bQuitPosted = false;
int g_nExitCode = 0;
guint g_nQuitSource = 0;
// What the live quit watches call, oldest first.
std::vector<const std::function<void()>*> g_quitWatches;

// The signals that end the program, and the main loop's watches on them
// while it catches them.
constexpr int kEndSignals[] = {SIGHUP, SIGINT, SIGTERM};
std::vector<guint> g_signalSources;
bool g_bEndedBySignal = false;

// GLib gives a signal back its default handling once nothing watches it: from
// then on the signal ends the program at once.
void StopCatchingSignals() {
    for (const guint source : g_signalSources) {
        g_source_remove(source);
    }
    g_signalSources.clear();
}

void RequestQuit(int exitCode) {
    g_bQuitPosted = true;
    if (!g_bEndedBySignal) {
        g_nExitCode = exitCode;
    }
    for (const std::function<void()>* onQuit : g_quitWatches) {
        (*onQuit)();
    }
}

gboolean OnQuitPosted(gpointer) {
    g_nQuitSource = 0;
    // The program is ending: from now on a signal ends it at once, should
    // the ending hang.
    StopCatchingSignals();
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
    RequestQuit(exitCode);
    // An idle callback runs only once control is back in a main loop, which
    // is when a posted quit message would be seen.
    if (g_nQuitSource == 0) {
        g_nQuitSource = g_idle_add(OnQuitPosted, nullptr);
    }
}

void PostQuitMessageWhen(int exitCode, std::function<bool()> ended) {
    RequestQuit(exitCode);
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

namespace {

gboolean OnEndSignal(gpointer data) {
    StopCatchingSignals();
    // The signal's exit code stands: a launcher start or a confirmed close
    // that finishes after it still posts 16, which must not hide that a
    // signal ended the program.
    g_nExitCode = 128 + GPOINTER_TO_INT(data);
    g_bEndedBySignal = true;
    PostQuitMessage(g_nExitCode);
    return G_SOURCE_REMOVE;
}

}  // namespace

void EndOnSignals() {
    sigset_t ends;
    sigemptyset(&ends);
    for (const int signal : kEndSignals) {
        sigaddset(&ends, signal);
    }
    // Held back until the watches stand, then let through: one that came
    // meanwhile, or that a parent left blocked for us, is taken by them.
    pthread_sigmask(SIG_BLOCK, &ends, nullptr);
    for (const int signal : kEndSignals) {
        g_signalSources.push_back(g_unix_signal_add(signal, OnEndSignal, GINT_TO_POINTER(signal)));
    }
    pthread_sigmask(SIG_UNBLOCK, &ends, nullptr);
}

CQuitWatch::CQuitWatch(std::function<void()> onQuit) : m_onQuit(std::move(onQuit)) {
    if (g_bQuitPosted) {
        m_onQuit();
    }
    g_quitWatches.push_back(&m_onQuit);
}

CQuitWatch::~CQuitWatch() {
    g_quitWatches.erase(std::find(g_quitWatches.begin(), g_quitWatches.end(), &m_onQuit));
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
