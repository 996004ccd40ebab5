#include "ui/TransferText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

constexpr std::array<const char*, 5> kUnits = {"B", "KB", "MB", "GB", "TB"};
constexpr double kMaxSecondsShown = 100.0 * 3600.0;

// One decimal with a point whatever the locale: snprintf would write "12,5"
// for a player whose locale says so, next to a unit that reads English.
std::string OneDecimal(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1);
    return std::string(text, result.ptr);
}

std::string FormatAmount(double amount) {
    // Whole bytes up to what would round to 1024 of them.
    if (amount < 1023.5) {
        return std::to_string(uint64_t(std::llround(amount))) + " B";
    }
    size_t unit = 1;
    double value = amount / 1024.0;
    // Move up once the value would round to 1024.0, so that no text ever
    // reads "1024.0 KB".
    while (value >= 1023.95 && unit + 1 < kUnits.size()) {
        value /= 1024.0;
        ++unit;
    }
    return OneDecimal(value) + " " + kUnits[unit];
}

}  // namespace

std::string FormatSize(uint64_t bytes) {
    if (bytes < 1024) {
        return std::to_string(bytes) + " B";
    }
    return FormatAmount(double(bytes));
}

std::string FormatSpeed(double bytesPerSecond) {
    return FormatAmount(std::max(0.0, bytesPerSecond)) + "/s";
}

std::string FormatTimeLeft(double seconds) {
    if (!(seconds < kMaxSecondsShown)) {
        return "剩余 超过99小时";
    }
    // Rounded up: a transfer with bytes still to come never reads 0 seconds.
    const long whole = std::max(0L, long(std::ceil(seconds)));
    char text[64];
    if (whole < 60) {
        std::snprintf(text, sizeof text, "剩余 %ld秒", whole);
    } else if (whole < 3600) {
        std::snprintf(text, sizeof text, "剩余 %ld分%02ld秒", whole / 60, whole % 60);
    } else {
        std::snprintf(text, sizeof text, "剩余 %ld小时%02ld分", whole / 3600, whole % 3600 / 60);
    }
    return text;
}

TransferTexts DescribeTransfer(uint64_t received, int64_t total,
                               std::optional<double> bytesPerSecond, int retry, int retryLimit) {
    TransferTexts texts;
    texts.sizes = FormatSize(received);
    if (total >= 0) {
        texts.sizes += " / " + FormatSize(uint64_t(total));
    }
    if (total > 0) {
        texts.fraction = std::min(1.0, double(received) / double(total));
    }
    if (bytesPerSecond) {
        texts.speed = FormatSpeed(*bytesPerSecond);
    }
    if (total > 0 && bytesPerSecond && *bytesPerSecond > 0 && received < uint64_t(total)) {
        texts.timeLeft = FormatTimeLeft(double(uint64_t(total) - received) / *bytesPerSecond);
    }
    if (retry > 0) {
        texts.retry = "重试中 " + std::to_string(retry);
        if (retryLimit >= retry) {
            texts.retry += "/" + std::to_string(retryLimit);
        }
    }
    return texts;
}
