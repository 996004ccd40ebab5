#pragma once

// Fetching one file over a poor network: failures that may pass (a refused,
// reset or silent connection, a body cut short, 5xx, 408, 429) are tried
// again a few times with growing pauses, each retry continuing from the bytes
// already kept when the server can send the rest of the same file.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/HttpGet.h"
#include "platform/TransferProgress.h"

struct RetryPolicy {
    int retries = 3;
    // Before the n-th retry: firstPause * 3^(n-1), or longer when the
    // server's Retry-After asks for it; none after an attempt that broke off
    // having brought some of the file.
    std::chrono::milliseconds firstPause{1000};
    // A server asking to wait longer is not waited for.
    std::chrono::seconds longestRetryAfter{60};
    std::chrono::seconds stallTimeout{30};
};

// Where the fetched bytes are kept between attempts.
class IFetchedBytes {
public:
    virtual ~IFetchedBytes() = default;
    virtual uint64_t Size() const = 0;
    // Each returns false to end the fetch (see SinkFailed).
    virtual bool Restart() = 0;
    virtual bool Append(std::string_view piece) = 0;
};

struct RetriedGetResult {
    enum class Outcome {
        Complete,
        NotOffered,  // a status other than 200, or a transient one until the end
        Failed,      // see HttpGetResult's outcome and error
        SinkFailed,
        Cancelled,
    };
    Outcome outcome = Outcome::Failed;
    HttpGetResult last;  // the last attempt's
    int attempts = 0;
};

// Blocks until done; reports to `progress` (received counts what `bytes`
// holds) and ends soon after progress.cancelRequested is set, pauses
// included.
RetriedGetResult RetriedGet(const std::string& url, const std::string& userAgent,
                            IFetchedBytes& bytes, TransferProgress& progress,
                            const RetryPolicy& policy);
