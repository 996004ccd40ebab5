// When the login page is tried again by itself.

#include <gtest/gtest.h>

#include <vector>

#include "web/RetrySchedule.h"

using std::chrono::seconds;

TEST(RetrySchedule, OutageWaitsGrowToAMinuteAndStartOverAfterALoad) {
    CRetrySchedule schedule;
    std::vector<long> waits;
    for (int i = 0; i < 8; ++i) {
        waits.push_back(schedule.NextOutageDelay().count());
    }
    EXPECT_EQ(waits, (std::vector<long>{3, 6, 12, 24, 48, 60, 60, 60}));
    schedule.OnPageLoaded();
    EXPECT_EQ(schedule.NextOutageDelay(), seconds(3));
}

TEST(RetrySchedule, ThirdEndWithinAMinuteStopsTheReloads) {
    const CRetrySchedule::Clock::time_point t0{};
    struct Case {
        const char* name;
        std::vector<long> endsAt;  // seconds after t0
        std::vector<bool> reload;
    };
    const Case cases[] = {
        {"one end", {0}, {true}},
        {"three quick ends", {0, 5, 10}, {true, true, false}},
        {"spread over minutes", {0, 40, 80, 120}, {true, true, true, true}},
        {"the first leaves the window", {0, 30, 61}, {true, true, true}},
        {"keeps refusing while it keeps ending", {0, 1, 2, 3}, {true, true, false, false}},
    };
    for (const Case& c : cases) {
        CRetrySchedule schedule;
        std::vector<bool> reload;
        for (const long at : c.endsAt) {
            reload.push_back(schedule.OnPageProcessEnded(t0 + seconds(at)));
        }
        EXPECT_EQ(reload, c.reload) << c.name;
    }
}
