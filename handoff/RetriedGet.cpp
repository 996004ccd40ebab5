#include "handoff/RetriedGet.h"

#include <thread>

namespace {

using Outcome = HttpGetResult::Outcome;

bool IsTransientStatus(long status) {
    return status >= 500 || status == 408 || status == 429;
}

// Waits out `pause` unless the player cancels first; false when cancelled.
bool Pause(std::chrono::milliseconds pause, const std::atomic<bool>& cancel) {
    const auto end = std::chrono::steady_clock::now() + pause;
    while (std::chrono::steady_clock::now() < end) {
        if (cancel) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return !cancel;
}

std::chrono::milliseconds PauseBefore(int retry, const RetryPolicy& policy) {
    std::chrono::milliseconds pause = policy.firstPause;
    for (int i = 1; i < retry; ++i) {
        pause *= 3;
    }
    return pause;
}

}  // namespace

RetriedGetResult RetriedGet(const std::string& url, const std::string& userAgent,
                            IFetchedBytes& bytes, TransferProgress& progress,
                            const RetryPolicy& policy) {
    RetriedGetResult result;
    progress.retryLimit = policy.retries;
    const HttpBodySink sink{
        [&](uint64_t offset, int64_t fileSize) {
            if (offset == 0 && !bytes.Restart()) {
                return false;
            }
            progress.total = fileSize;
            progress.received = bytes.Size();
            return true;
        },
        [&](std::string_view piece) {
            if (!bytes.Append(piece)) {
                return false;
            }
            progress.received = bytes.Size();
            return true;
        },
    };
    // What the server called the file when it last sent some of it: a retry
    // asks for the rest of that very file only.
    std::string validator;
    for (int retry = 0;; ++retry) {
        progress.retry = retry;
        HttpRequest request{url, userAgent, 0, {}, policy.stallTimeout};
        if (!validator.empty() && bytes.Size() > 0) {
            request.resumeFrom = bytes.Size();
            request.ifRange = validator;
        }
        result.last = HttpGet(request, sink, progress.cancelRequested);
        result.attempts = retry + 1;
        const HttpGetResult& last = result.last;
        if (last.status == 200 || last.status == 206) {
            validator = last.validator;
        }
        if (last.rangeMismatch || (last.status == 416 && request.resumeFrom > 0)) {
            validator.clear();  // the next attempt fetches the file whole
        }

        std::chrono::milliseconds pause = PauseBefore(retry + 1, policy);
        switch (last.outcome) {
            case Outcome::Complete:
                result.outcome = RetriedGetResult::Outcome::Complete;
                return result;
            case Outcome::Cancelled:
                result.outcome = RetriedGetResult::Outcome::Cancelled;
                return result;
            case Outcome::SinkFailed:
                result.outcome = RetriedGetResult::Outcome::SinkFailed;
                return result;
            case Outcome::Refused:
            case Outcome::Insecure:
                result.outcome = RetriedGetResult::Outcome::Failed;
                return result;
            case Outcome::OtherStatus:
                result.outcome = RetriedGetResult::Outcome::NotOffered;
                if (last.status == 416 && request.resumeFrom > 0) {
                    pause = std::chrono::milliseconds(0);  // nothing failed; ask for all of it
                    break;
                }
                if (!IsTransientStatus(last.status) ||
                    (last.retryAfter && *last.retryAfter > policy.longestRetryAfter)) {
                    return result;
                }
                if (last.retryAfter) {
                    pause = std::max<std::chrono::milliseconds>(pause, *last.retryAfter);
                }
                break;
            case Outcome::TransferFailed:
                result.outcome = RetriedGetResult::Outcome::Failed;
                // A connection that broke after bringing bytes is tried
                // again at once; only failing again and again is waited out.
                if (last.bytes > 0) {
                    pause = std::chrono::milliseconds(0);
                }
                break;
        }
        if (retry == policy.retries) {
            return result;
        }
        progress.retry = retry + 1;
        if (!Pause(pause, progress.cancelRequested)) {
            result.outcome = RetriedGetResult::Outcome::Cancelled;
            return result;
        }
    }
}
