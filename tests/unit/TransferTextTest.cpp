#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "ui/TransferText.h"

namespace {

constexpr uint64_t kKiB = 1024;
constexpr uint64_t kMiB = 1024 * kKiB;

}  // namespace

TEST(TransferText, SizesGoUpAUnitBeforeTheyWouldRead1024) {
    EXPECT_EQ(FormatSize(0), "0 B");
    EXPECT_EQ(FormatSize(1023), "1023 B");
    EXPECT_EQ(FormatSize(1024), "1.0 KB");
    EXPECT_EQ(FormatSize(12 * kMiB + kMiB / 2), "12.5 MB");
    EXPECT_EQ(FormatSize(200 * kMiB), "200.0 MB");
    EXPECT_EQ(FormatSize(kMiB - 1), "1.0 MB");
    EXPECT_EQ(FormatSize(1023 * kKiB + 950), "1023.9 KB");
    EXPECT_EQ(FormatSize(uint64_t(3) * 1024 * kMiB + 300 * kMiB), "3.3 GB");
}

TEST(TransferText, HugeSizesStayInTheLargestUnit) {
    EXPECT_EQ(FormatSize(std::numeric_limits<uint64_t>::max()), "16777216.0 TB");
    EXPECT_EQ(FormatSize(uint64_t(std::numeric_limits<int64_t>::max())), "8388608.0 TB");
}

TEST(TransferText, SpeedsReadLikeSizesPerSecond) {
    EXPECT_EQ(FormatSpeed(0), "0 B/s");
    EXPECT_EQ(FormatSpeed(512.4), "512 B/s");
    EXPECT_EQ(FormatSpeed(1023.7), "1.0 KB/s");
    EXPECT_EQ(FormatSpeed(3.2 * kMiB), "3.2 MB/s");
    EXPECT_EQ(FormatSpeed(-5), "0 B/s");
}

TEST(TransferText, TimeLeftRoundsUpAndGrowsIntoMinutesAndHours) {
    EXPECT_EQ(FormatTimeLeft(0), "剩余 0秒");
    EXPECT_EQ(FormatTimeLeft(0.2), "剩余 1秒");
    EXPECT_EQ(FormatTimeLeft(59), "剩余 59秒");
    EXPECT_EQ(FormatTimeLeft(59.5), "剩余 1分00秒");
    EXPECT_EQ(FormatTimeLeft(65), "剩余 1分05秒");
    EXPECT_EQ(FormatTimeLeft(3599), "剩余 59分59秒");
    EXPECT_EQ(FormatTimeLeft(3600), "剩余 1小时00分");
    EXPECT_EQ(FormatTimeLeft(2 * 3600 + 3 * 60 + 59), "剩余 2小时03分");
    EXPECT_EQ(FormatTimeLeft(100 * 3600 - 1), "剩余 99小时59分");
}

TEST(TransferText, TimeLeftBeyondReasonSaysSoInsteadOfOverflowing) {
    EXPECT_EQ(FormatTimeLeft(100 * 3600), "剩余 超过99小时");
    EXPECT_EQ(FormatTimeLeft(1e30), "剩余 超过99小时");
    EXPECT_EQ(FormatTimeLeft(std::numeric_limits<double>::infinity()), "剩余 超过99小时");
}

TEST(TransferText, KnownTotalShowsBothSizesTheShareAndTheTimeLeft) {
    const TransferTexts texts = DescribeTransfer(50 * kMiB, 200 * kMiB, 2.5 * kMiB, 0, 3);
    EXPECT_EQ(texts.sizes, "50.0 MB / 200.0 MB");
    EXPECT_EQ(texts.speed, "2.5 MB/s");
    EXPECT_EQ(texts.timeLeft, "剩余 1分00秒");
    EXPECT_EQ(texts.retry, "");
    ASSERT_TRUE(texts.fraction.has_value());
    EXPECT_DOUBLE_EQ(*texts.fraction, 0.25);
}

TEST(TransferText, UnknownTotalShowsWhatCameAndNoShareOrTimeLeft) {
    const TransferTexts texts = DescribeTransfer(12 * kMiB + kMiB / 2, -1, double(kMiB), 0, 0);
    EXPECT_EQ(texts.sizes, "12.5 MB");
    EXPECT_EQ(texts.speed, "1.0 MB/s");
    EXPECT_EQ(texts.timeLeft, "");
    EXPECT_FALSE(texts.fraction.has_value());
}

TEST(TransferText, NoTimeLeftWithoutASpeedOrWithNothingLeft) {
    const TransferTexts unmeasured = DescribeTransfer(kMiB, 2 * kMiB, std::nullopt, 0, 0);
    EXPECT_EQ(unmeasured.speed, "");
    EXPECT_EQ(unmeasured.timeLeft, "");
    const TransferTexts stalled = DescribeTransfer(kMiB, 2 * kMiB, 0.0, 0, 0);
    EXPECT_EQ(stalled.speed, "0 B/s");
    EXPECT_EQ(stalled.timeLeft, "");
    const TransferTexts done = DescribeTransfer(2 * kMiB, 2 * kMiB, double(kMiB), 0, 0);
    EXPECT_EQ(done.timeLeft, "");
    EXPECT_DOUBLE_EQ(*done.fraction, 1.0);
}

TEST(TransferText, MoreThanTheTotalFillsTheBarNoFurther) {
    const TransferTexts texts = DescribeTransfer(3 * kMiB, 2 * kMiB, double(kMiB), 0, 0);
    EXPECT_EQ(texts.sizes, "3.0 MB / 2.0 MB");
    EXPECT_DOUBLE_EQ(*texts.fraction, 1.0);
    EXPECT_EQ(texts.timeLeft, "");
}

TEST(TransferText, EmptyFileHasSizesButNoShare) {
    const TransferTexts texts = DescribeTransfer(0, 0, std::nullopt, 0, 0);
    EXPECT_EQ(texts.sizes, "0 B / 0 B");
    EXPECT_FALSE(texts.fraction.has_value());
}

TEST(TransferText, HugeTransferAtACrawlNeitherOverflowsNorLies) {
    const int64_t total = std::numeric_limits<int64_t>::max();
    const TransferTexts texts = DescribeTransfer(1, total, 1.0, 0, 0);
    EXPECT_EQ(texts.sizes, "1 B / 8388608.0 TB");
    EXPECT_EQ(texts.speed, "1 B/s");
    EXPECT_EQ(texts.timeLeft, "剩余 超过99小时");
    EXPECT_GT(*texts.fraction, 0.0);
    EXPECT_LT(*texts.fraction, 1e-15);
}

TEST(TransferText, RetryLineCountsTheRetryOutOfItsLimit) {
    EXPECT_EQ(DescribeTransfer(0, -1, std::nullopt, 0, 5).retry, "");
    EXPECT_EQ(DescribeTransfer(0, -1, std::nullopt, 1, 5).retry, "重试中 1/5");
    EXPECT_EQ(DescribeTransfer(0, -1, std::nullopt, 5, 5).retry, "重试中 5/5");
    // A limit that was never set is not shown as "2/0".
    EXPECT_EQ(DescribeTransfer(0, -1, std::nullopt, 2, 0).retry, "重试中 2");
}
