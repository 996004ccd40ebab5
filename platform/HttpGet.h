#pragma once

// One HTTP GET whose body is handed over piece by piece as it arrives, so
// that a large file never has to fit in memory.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/TransferProgress.h"

struct HttpGetResult {
    enum class Outcome {
        Complete,        // status 200 and the whole body handed over
        OtherStatus,     // the final response was not 200; no body handed over
        TransferFailed,  // unreachable, broken off, shorter than announced, of
                         // no known end, or in an encoding not asked for
        SinkFailed,      // the body's receiver refused a piece
        Cancelled,       // progress.cancelRequested was set
    };
    Outcome outcome = Outcome::TransferFailed;
    long status = 0;
    uint64_t bytes = 0;
    std::string error;  // what went wrong, in the HTTP library's words
};

// Sends a GET for `url` with the given user agent, following redirects (at
// most ten, HTTP and HTTPS only) and the proxy the environment configures.
// Asks for the body as it is (no compression) and takes it as complete only
// when its end is known: a length, a last chunk, or HTTP/2 framing.
// `onBody` sees the body of a 200 response only and returns false to stop.
// Blocks until done; safe to call from a worker thread.
HttpGetResult HttpGet(const std::string& url, const std::string& userAgent,
                      const std::function<bool(std::string_view)>& onBody,
                      TransferProgress& progress);
