#pragma once

// Work the main loop runs later: after a delay, again and again, or once it
// has nothing else to do. The object owns what it started: when it goes, or
// is stopped, the work never runs again. The work may stop, restart or
// destroy its own timer.

#include <functional>

class CTimer {
public:
    CTimer() = default;
    ~CTimer() { Stop(); }
    CTimer(const CTimer&) = delete;
    CTimer& operator=(const CTimer&) = delete;

    // Runs `work` once, `milliseconds` from now.
    void StartOnce(unsigned milliseconds, std::function<void()> work);
    // Runs `work` every `milliseconds` until it returns false or the timer
    // stops.
    void StartRepeating(unsigned milliseconds, std::function<bool()> work);
    // Runs `work` once, when the main loop has nothing more urgent to do.
    void StartIdle(std::function<void()> work);
    // Whatever was started never runs (again).
    void Stop();
    bool IsRunning() const { return m_pPending != nullptr; }

private:
    struct Pending;
    void Start(bool idle, unsigned milliseconds, std::function<bool()> work);

    Pending* m_pPending = nullptr;
    unsigned m_nSource = 0;
};
