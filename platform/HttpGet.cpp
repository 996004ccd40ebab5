#include "platform/HttpGet.h"

#include <curl/curl.h>
#include <glib.h>

#include <memory>
#include <mutex>
#include <string>

namespace {

// What the headers of the response being received say about its body.
struct BodyFraming {
    bool lengthGiven = false;
    bool chunked = false;
    std::string encoding;  // Content-Encoding, lower case; empty: none
};

struct Transfer {
    CURL* curl = nullptr;
    const std::function<bool(std::string_view)>* onBody = nullptr;
    TransferProgress* progress = nullptr;
    BodyFraming framing;
    bool notOk = false;
    bool encoded = false;
    bool sinkFailed = false;
    uint64_t bytes = 0;
};

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = char(g_ascii_tolower(c));
    }
    return lower;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n')) {
        text.remove_suffix(1);
    }
    return text;
}

bool IsIdentity(const std::string& encoding) { return encoding.empty() || encoding == "identity"; }

// Sees each header line of every response, redirects included; a status
// line starts the next response.
size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::string_view line(data, size * count);
    if (line.starts_with("HTTP/")) {
        t->framing = {};
        return line.size();
    }
    const size_t colon = line.find(':');
    if (colon != std::string_view::npos) {
        const std::string name = Lower(Trim(line.substr(0, colon)));
        const std::string value = Lower(Trim(line.substr(colon + 1)));
        if (name == "content-length") {
            t->framing.lengthGiven = true;
        } else if (name == "transfer-encoding") {
            t->framing.chunked = value.find("chunked") != std::string::npos;
        } else if (name == "content-encoding") {
            t->framing.encoding = value;
        }
    }
    return line.size();
}

size_t OnWrite(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    long status = 0;
    curl_easy_getinfo(t->curl, CURLINFO_RESPONSE_CODE, &status);
    if (status != 200) {
        t->notOk = true;
        return 0;
    }
    // Only the identity encoding is asked for; a compressed body would be
    // saved as it came, not as the file it stands for.
    if (!IsIdentity(t->framing.encoding)) {
        t->encoded = true;
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
    Transfer t{curl.get(), &onBody, &progress, {}};
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
    curl_slist* headers = curl_slist_append(nullptr, "Accept-Encoding: identity");
    const std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headerList(headers, curl_slist_free_all);
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &t);
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
    long version = 0;
    curl_easy_getinfo(c, CURLINFO_HTTP_VERSION, &version);
    // HTTP/2 and later frame every body; HTTP/1 bodies end where a length
    // or a last chunk says, or, failing both, wherever the connection broke.
    const bool endKnown = t.framing.lengthGiven || t.framing.chunked || version >= CURL_HTTP_VERSION_2_0;
    if (t.notOk || (rc == CURLE_OK && result.status != 200)) {
        result.outcome = Outcome::OtherStatus;
    } else if (t.encoded || (rc == CURLE_OK && !IsIdentity(t.framing.encoding))) {
        result.outcome = Outcome::TransferFailed;
        result.error = "the server sent the body encoded as " + t.framing.encoding + ", which was not asked for";
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
        if (!endKnown) {
            result.outcome = Outcome::TransferFailed;
            result.error = "the server did not say where the body ends, so it cannot be known to be whole";
        } else if (announced >= 0 && uint64_t(announced) != t.bytes) {
            result.outcome = Outcome::TransferFailed;
            result.error = "the body is " + std::to_string(t.bytes) + " bytes, the server announced " +
                           std::to_string(announced);
        } else {
            result.outcome = Outcome::Complete;
        }
    }
    return result;
}
