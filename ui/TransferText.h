#pragma once

// The lines the download window shows, worked out from the numbers a
// transfer reports. Plain functions, so that every edge (a size the server
// never sent, a stalled transfer, a file larger than any disk) is tested
// without a window.

#include <cstdint>
#include <optional>
#include <string>

// "512 B", "12.5 MB", "1.2 GB": binary units, one decimal from KB on, and
// the same text in every locale.
std::string FormatSize(uint64_t bytes);
// "3.2 MB/s".
std::string FormatSpeed(double bytesPerSecond);
// "剩余 5秒", "剩余 1分05秒", "剩余 2小时03分"; anything from 100 hours on
// reads "剩余 超过99小时".
std::string FormatTimeLeft(double seconds);

struct TransferTexts {
    std::string sizes;     // "12.5 MB / 200.0 MB", or only what came when the total is unknown
    std::string speed;     // empty until a speed is known
    std::string timeLeft;  // empty unless both the total and a speed above 0 are known
    std::string retry;     // "重试中 n/m" while retrying, else empty
    // The share of the file received, 0 to 1; empty when the total is unknown.
    std::optional<double> fraction;
};

// `total` is -1 while unknown; `bytesPerSecond` is empty until measured.
TransferTexts DescribeTransfer(uint64_t received, int64_t total,
                               std::optional<double> bytesPerSecond, int retry, int retryLimit);
