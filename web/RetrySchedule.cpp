#include "web/RetrySchedule.h"

#include <algorithm>

bool CRetrySchedule::OnPageProcessEnded(Clock::time_point now) {
    m_ends.push_back(now);
    while (now - m_ends.front() >= kEndWindow) {
        m_ends.pop_front();
    }
    return int(m_ends.size()) < kMaxEnds;
}

std::chrono::seconds CRetrySchedule::NextOutageDelay() {
    std::chrono::seconds delay = kFirstDelay;
    for (int i = 0; i < m_nOutages && delay < kLongestDelay; ++i) {
        delay *= 2;
    }
    ++m_nOutages;
    return std::min(delay, kLongestDelay);
}
