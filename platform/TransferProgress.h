#pragma once

#include <atomic>
#include <cstdint>

// What a transfer running on a worker thread tells the window that waits for
// it, and what that window tells the transfer back. Every field is read and
// written from both threads.
struct TransferProgress {
    std::atomic<uint64_t> received{0};
    std::atomic<int64_t> total{-1};  // -1 until the size is known
    std::atomic<bool> cancelRequested{false};
};
