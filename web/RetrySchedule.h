#pragma once

// When the login page is tried again by itself, and when the program stops
// trying and leaves it to the player. Pure bookkeeping over times it is
// given, so the rules can be checked without waiting.

#include <chrono>
#include <deque>

class CRetrySchedule {
public:
    using Clock = std::chrono::steady_clock;

    // The page's process ended at `now`. True: load the page again. False: it
    // has ended kMaxEnds times within kEndWindow; ask the player instead of
    // looping.
    bool OnPageProcessEnded(Clock::time_point now);

    // The page could not be loaded: how long to wait before the next try. The
    // wait doubles from kFirstDelay up to kLongestDelay.
    std::chrono::seconds NextOutageDelay();

    // A real page has loaded: outages start over from the shortest wait.
    void OnPageLoaded() { m_nOutages = 0; }

    static constexpr int kMaxEnds = 3;
    static constexpr std::chrono::seconds kEndWindow{60};
    static constexpr std::chrono::seconds kFirstDelay{3};
    static constexpr std::chrono::seconds kLongestDelay{60};

private:
    std::deque<Clock::time_point> m_ends;
    int m_nOutages = 0;
};
