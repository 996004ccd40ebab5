#include "platform/HttpGet.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace {

struct Transfer {
    CURL* curl = nullptr;
    const std::function<bool(std::string_view)>* onBody = nullptr;
    TransferProgress* progress = nullptr;
    bool notOk = false;
    bool sinkFailed = false;
    uint64_t bytes = 0;
};

size_t OnWrite(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    long status = 0;
    curl_easy_getinfo(t->curl, CURLINFO_RESPONSE_CODE, &status);
    if (status != 200) {
        t->notOk = true;
        return 0;
    }
    const size_t n = size * count;
    if (!(*t->onBody)(std::string_view(data, n))) {
        t->sinkFailed = true;
        return 0;
    }
    t->bytes += n;
    return n;
}

int OnProgress(void* user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(user);
    t->progress->received = uint64_t(now);
    if (total > 0) {
        t->progress->total = int64_t(total);
    }
    return t->progress->cancelRequested ? 1 : 0;
}

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

HttpGetResult HttpGet(const std::string& url, const std::string& userAgent,
                      const std::function<bool(std::string_view)>& onBody,
                      TransferProgress& progress) {
    InitCurlOnce();
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    HttpGetResult result;
    if (!curl) {
        result.error = "cannot start the HTTP client";
        return result;
    }
    Transfer t{curl.get(), &onBody, &progress};
    char errorText[CURL_ERROR_SIZE] = {};

    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_USERAGENT, userAgent.c_str());
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(c, CURLOPT_BUFFERSIZE, 256L * 1024);
    // A server that goes silent must not keep the player waiting for ever.
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, OnWrite);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);

    const CURLcode rc = curl_easy_perform(c);
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &result.status);
    result.bytes = t.bytes;
    progress.received = t.bytes;

    using Outcome = HttpGetResult::Outcome;
    if (t.notOk || (rc == CURLE_OK && result.status != 200)) {
        result.outcome = Outcome::OtherStatus;
    } else if (t.sinkFailed) {
        result.outcome = Outcome::SinkFailed;
    } else if (rc == CURLE_ABORTED_BY_CALLBACK) {
        result.outcome = Outcome::Cancelled;
    } else if (rc != CURLE_OK) {
        result.outcome = Outcome::TransferFailed;
        result.error = errorText[0] ? errorText : curl_easy_strerror(rc);
    } else {
        curl_off_t announced = -1;
        curl_easy_getinfo(c, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        if (announced >= 0 && uint64_t(announced) != t.bytes) {
            result.outcome = Outcome::TransferFailed;
            result.error = "the body is " + std::to_string(t.bytes) + " bytes, the server announced " +
                           std::to_string(announced);
        } else {
            result.outcome = Outcome::Complete;
        }
    }
    return result;
}
