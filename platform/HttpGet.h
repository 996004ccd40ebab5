#pragma once

// One HTTP GET whose body is handed over piece by piece as it arrives, so
// that a large file never has to fit in memory, and which can ask for the
// rest of a file an earlier GET broke off.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

struct HttpRequest {
    std::string url;
    std::string userAgent;
    // Above 0: ask only for the bytes from this offset on, and only if the
    // file is still the one `ifRange` (an ETag or a Last-Modified date from
    // an earlier answer) names; otherwise the server sends it whole.
    uint64_t resumeFrom = 0;
    std::string ifRange;
    // Longest wait for a connection, and for the next byte once connected.
    std::chrono::seconds stallTimeout{30};
};

// Where the body of a 200 or 206 answer goes. `begin` is called once before
// the first byte with the offset in the file the body starts at (0 for a
// whole file, resumeFrom for its rest) and the file's whole size (-1 when
// unknown); either returns false to stop the transfer.
struct HttpBodySink {
    std::function<bool(uint64_t offset, int64_t fileSize)> begin;
    std::function<bool(std::string_view piece)> write;
};

struct HttpGetResult {
    enum class Outcome {
        Complete,        // the body to its announced end was handed over
        OtherStatus,     // the final answer was neither 200 nor the 206 asked for
        TransferFailed,  // unreachable, broken off, stalled or shorter than
                         // announced: another try may go better
        Refused,         // an answer this client does not take: a redirect to
                         // another scheme or from https to http, too many
                         // redirects, an encoding not asked for, a body of no
                         // known end; trying again will not help
        Insecure,        // the server's certificate could not be verified
        SinkFailed,      // the sink refused to go on
        Cancelled,       // the cancel flag was set
    };
    Outcome outcome = Outcome::TransferFailed;
    long status = 0;
    uint64_t bytes = 0;  // body bytes handed to the sink
    std::string error;   // what went wrong, in words for a log
    // From the final answer:
    std::string validator;  // what a later request may resume against
    // A 206 that did not start where asked: resuming this file is not safe.
    bool rangeMismatch = false;
    std::optional<std::chrono::seconds> retryAfter;
    // The proxy the last request went through, host:port without any user
    // name or password; empty when it went direct.
    std::string proxy;
    // When it was that proxy, not the server, that failed the request.
    enum class ProxyFault {
        None,
        Unreachable,    // no connection to it (a TransferFailed)
        Refused,        // it would not forward the request (proxyStatus, when it
                        // answered one)
        WantsPassword,  // it answered 407 (Refused: the settings must change)
    };
    ProxyFault proxyFault = ProxyFault::None;
    long proxyStatus = 0;
};

// Sends a GET with the given user agent, following at most ten redirects
// (http may lead to https, https only to https), each request through the
// proxies the web engine takes for its address (see ProxyForUrl), with
// certificates checked against the system's trust store. Asks for the body
// as it is (no compression) and takes it as complete only when its end is
// known: a length, a last chunk, or HTTP/2 framing. Ends within a tenth of a
// second of `cancel` being set. Blocks until done; safe to call from a
// worker thread.
HttpGetResult HttpGet(const HttpRequest& request, const HttpBodySink& sink,
                      const std::atomic<bool>& cancel);
