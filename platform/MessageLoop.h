#pragma once

// The program's main loops and the request that ends them all.

#include <functional>
#include <memory>

// The exit code every quit request of the program carries: after the game
// launcher's start and after a confirmed close alike.
inline constexpr int kQuitExitCode = 16;

// Asks every running main loop to end, and the program to exit with
// `exitCode`. Like a posted message, it takes effect once the current handler
// has returned to a loop, so the caller still finishes what it is doing.
// After an end by a signal (EndOnSignals), the signal's exit code stands.
void PostQuitMessage(int exitCode);

// Like PostQuitMessage, but the loops end only once `ended` returns true; it
// is asked twice a second meanwhile. The program counts as ending from now
// on.
void PostQuitMessageWhen(int exitCode, std::function<bool()> ended);

// Whether an end has been requested.
bool IsQuitPosted();

// The exit code of the last quit request.
int GetQuitExitCode();

// From now on SIGTERM, SIGINT and SIGHUP end the program as a quit request
// does, with 128 + the signal's number as its exit code. The signal is taken
// on the main loop, never in a signal handler, so the program ends by its
// normal path: work under way stops as its 取消 would (CQuitWatch), then the
// windows, the web engine and the worker thread end in order. A signal that
// comes before a main loop runs waits for one; once the program is ending, a
// further signal ends it at once. Called first thing, before any thread
// starts.
void EndOnSignals();

// While it lives, a quit request calls `onQuit` on the main loop, so that work
// under way stops as its 取消 would; a request posted before it was made calls
// it at once.
class CQuitWatch {
public:
    explicit CQuitWatch(std::function<void()> onQuit);
    ~CQuitWatch();
    CQuitWatch(const CQuitWatch&) = delete;
    CQuitWatch& operator=(const CQuitWatch&) = delete;

private:
    std::function<void()> m_onQuit;
};

// Runs `work` on a worker thread and returns once it has finished, throwing
// what it threw. The main loop runs meanwhile: windows keep painting, and
// timers and events are handled. `work` must not touch windows.
void RunOnWorkerThread(const std::function<void()>& work);

// One run of the main loop, nested in any that runs already (a modal window
// runs its own). Ends on End() or on a quit request.
class CMessageLoop {
public:
    CMessageLoop();
    ~CMessageLoop();
    CMessageLoop(const CMessageLoop&) = delete;
    CMessageLoop& operator=(const CMessageLoop&) = delete;

    // Returns false when a quit request ended it.
    bool Run();
    void End();

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
