#pragma once

// How fast a transfer goes now: bytes received over the last two seconds,
// so that a burst or a stall a minute ago no longer counts.

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>

class CSpeedMeter {
public:
    using Clock = std::chrono::steady_clock;

    // What the transfer had received at `now`. A count below the last one
    // means the transfer started over: the measurement starts over with it.
    void Sample(uint64_t received, Clock::time_point now);
    // Bytes per second, once the samples span at least a second.
    std::optional<double> BytesPerSecond() const;

private:
    struct Reading {
        Clock::time_point at;
        uint64_t received;
    };
    std::deque<Reading> m_readings;  // oldest first
};
