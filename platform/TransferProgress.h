#pragma once

#include <atomic>
#include <cstdint>

// What a transfer running on a worker thread tells the window that waits for
// it, and what that window tells the transfer back. Every field is read and
// written from both threads.
struct TransferProgress {
    // Bytes of the file held so far: a resumed transfer starts from what
    // earlier attempts kept, one that starts over drops back to 0.
    std::atomic<uint64_t> received{0};
    std::atomic<int64_t> total{-1};  // -1 until the size is known
    // 0 on the first attempt; n while waiting for, or running, the n-th
    // retry of at most retryLimit.
    std::atomic<int> retry{0};
    std::atomic<int> retryLimit{0};
    std::atomic<bool> cancelRequested{false};
    // False for a wait with nothing to count (Wine preparing its prefix, a
    // start): only the title and a sweeping bar show. Set before the work.
    bool countsBytes = true;
};
