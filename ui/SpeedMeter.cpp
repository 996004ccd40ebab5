#include "ui/SpeedMeter.h"

namespace {

constexpr std::chrono::seconds kWindow{2};
constexpr std::chrono::seconds kShortest{1};

}  // namespace

void CSpeedMeter::Sample(uint64_t received, Clock::time_point now) {
    if (!m_readings.empty() &&
        (received < m_readings.back().received || now < m_readings.back().at)) {
        m_readings.clear();
    }
    m_readings.push_back({now, received});
    // The oldest reading kept is the last one at or before the window's
    // start, so that the span covers the whole window once it can.
    while (m_readings.size() > 1 && m_readings[1].at <= now - kWindow) {
        m_readings.pop_front();
    }
}

std::optional<double> CSpeedMeter::BytesPerSecond() const {
    if (m_readings.empty()) {
        return std::nullopt;
    }
    const Reading& first = m_readings.front();
    const Reading& last = m_readings.back();
    const std::chrono::duration<double> span = last.at - first.at;
    if (span < kShortest) {
        return std::nullopt;
    }
    return double(last.received - first.received) / span.count();
}
