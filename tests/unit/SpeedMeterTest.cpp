#include <gtest/gtest.h>

#include "ui/SpeedMeter.h"

namespace {

using std::chrono::milliseconds;
constexpr uint64_t kKiB = 1024;

// A meter fed every 100 ms, as the download window feeds it, on a clock of
// the test's own.
class SpeedMeterTest : public testing::Test {
protected:
    // Feeds `steps` readings, each `perStep` bytes above the last.
    void Feed(int steps, uint64_t perStep) {
        for (int i = 0; i < steps; ++i) {
            received += perStep;
            Tick();
        }
    }
    void Tick() {
        now += milliseconds(100);
        meter.Sample(received, now);
    }

    CSpeedMeter meter;
    CSpeedMeter::Clock::time_point now{};
    uint64_t received = 0;
};

}  // namespace

TEST_F(SpeedMeterTest, NoSpeedUntilTheReadingsSpanASecond) {
    EXPECT_FALSE(meter.BytesPerSecond().has_value());
    meter.Sample(0, now);
    Feed(9, 10 * kKiB);
    EXPECT_FALSE(meter.BytesPerSecond().has_value());
    Feed(1, 10 * kKiB);
    ASSERT_TRUE(meter.BytesPerSecond().has_value());
    EXPECT_DOUBLE_EQ(*meter.BytesPerSecond(), 100.0 * kKiB);
}

TEST_F(SpeedMeterTest, OnlyTheLastTwoSecondsCount) {
    meter.Sample(0, now);
    Feed(30, 100 * kKiB);  // 1 MB/s for three seconds
    Feed(10, 10 * kKiB);   // then 100 KB/s
    EXPECT_DOUBLE_EQ(*meter.BytesPerSecond(), (10 * 100.0 + 10 * 10.0) * kKiB / 2);
    Feed(10, 10 * kKiB);
    EXPECT_DOUBLE_EQ(*meter.BytesPerSecond(), 100.0 * kKiB);
}

TEST_F(SpeedMeterTest, StalledTransferReadsZero) {
    meter.Sample(0, now);
    Feed(10, 50 * kKiB);
    Feed(20, 0);
    ASSERT_TRUE(meter.BytesPerSecond().has_value());
    EXPECT_DOUBLE_EQ(*meter.BytesPerSecond(), 0.0);
}

TEST_F(SpeedMeterTest, TransferStartingOverStartsTheMeasurementOver) {
    meter.Sample(0, now);
    Feed(30, 100 * kKiB);
    received = 0;
    Tick();
    EXPECT_FALSE(meter.BytesPerSecond().has_value()) << "a drop in bytes is no speed";
    Feed(9, 20 * kKiB);
    EXPECT_FALSE(meter.BytesPerSecond().has_value());
    Feed(1, 20 * kKiB);
    ASSERT_TRUE(meter.BytesPerSecond().has_value());
    EXPECT_DOUBLE_EQ(*meter.BytesPerSecond(), 200.0 * kKiB) << "nothing from before the restart";
}

TEST_F(SpeedMeterTest, CountsOnlyTheBytesSinceTheFirstReading) {
    // A resumed transfer reports the kept bytes at once; they came earlier,
    // not in the first tenth of a second.
    received = 50 * 1024 * kKiB;
    meter.Sample(received, now);
    Feed(10, 10 * kKiB);
    EXPECT_DOUBLE_EQ(*meter.BytesPerSecond(), 100.0 * kKiB);
}

TEST_F(SpeedMeterTest, GapBetweenReadingsIsAveragedOverNotDividedByZero) {
    meter.Sample(0, now);
    now += std::chrono::seconds(10);
    meter.Sample(1000 * kKiB, now);
    EXPECT_DOUBLE_EQ(*meter.BytesPerSecond(), 100.0 * kKiB);
    meter.Sample(1000 * kKiB, now);  // a second reading at the same instant
    EXPECT_DOUBLE_EQ(*meter.BytesPerSecond(), 100.0 * kKiB);
}
