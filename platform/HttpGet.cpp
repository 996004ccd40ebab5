#include "platform/HttpGet.h"

#include <curl/curl.h>
#include <glib.h>

#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/ProxyForUrl.h"

namespace {

constexpr int kMaxRedirects = 10;
// A redirect's own body is read and dropped (the library names the next
// address only after a whole answer), up to this much.
constexpr uint64_t kLongestRedirectBody = uint64_t(64) << 10;

// What the headers of the answer being received say about its body.
struct AnswerHeaders {
    bool lengthGiven = false;
    bool chunked = false;
    std::string encoding;      // Content-Encoding, lower case; empty: none
    std::string contentRange;  // as sent
    std::string etag;          // as sent
    std::string lastModified;  // as sent
    bool rangesRefused = false;
    std::optional<std::chrono::seconds> retryAfter;
};

// One request of the chain a redirect may make.
struct Transfer {
    CURL* curl = nullptr;
    const HttpRequest* request = nullptr;
    const HttpBodySink* sink = nullptr;
    AnswerHeaders headers;
    bool began = false;
    bool notWanted = false;  // an answer whose body is not the file
    uint64_t redirectBytes = 0;
    bool encoded = false;
    bool rangeMismatch = false;
    bool sinkFailed = false;
    uint64_t bytes = 0;
    // When the server last sent anything: a connection silent for longer
    // than the request's stall timeout is given up.
    std::chrono::steady_clock::time_point lastHeard = std::chrono::steady_clock::now();
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

bool IsIdentity(const std::string& encoding) {
    return encoding.empty() || encoding == "identity";
}

// Retry-After holds either seconds or an HTTP date.
std::optional<std::chrono::seconds> ParseRetryAfter(const std::string& value) {
    if (!value.empty() && value.find_first_not_of("0123456789") == std::string::npos) {
        return std::chrono::seconds(value.size() > 9 ? 999999999 : std::stol(value));
    }
    const time_t when = curl_getdate(value.c_str(), nullptr);
    if (when < 0) {
        return std::nullopt;
    }
    return std::chrono::seconds(std::max<time_t>(0, when - time(nullptr)));
}

// "bytes FIRST-LAST/SIZE" (SIZE may be "*"): the first byte's offset and the
// file's size, -1 when not given; false when it does not read so.
bool ParseContentRange(const std::string& value, uint64_t& first, int64_t& size) {
    unsigned long long a = 0, b = 0, whole = 0;
    char star = 0;
    if (std::sscanf(value.c_str(), "bytes %llu-%llu/%llu", &a, &b, &whole) == 3 && a <= b &&
        b < whole) {
        first = a;
        size = int64_t(whole);
        return true;
    }
    if (std::sscanf(value.c_str(), "bytes %llu-%llu/%c", &a, &b, &star) == 3 && star == '*' &&
        a <= b) {
        first = a;
        size = -1;
        return true;
    }
    return false;
}

// Sees each header line; a status line starts the next answer (an interim
// 1xx answer comes before the real one).
size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    t->lastHeard = std::chrono::steady_clock::now();
    const std::string_view line(data, size * count);
    if (line.starts_with("HTTP/")) {
        t->headers = {};
        return line.size();
    }
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
        return line.size();
    }
    const std::string name = Lower(Trim(line.substr(0, colon)));
    const std::string value(Trim(line.substr(colon + 1)));
    AnswerHeaders& h = t->headers;
    if (name == "content-length") {
        h.lengthGiven = true;
    } else if (name == "transfer-encoding") {
        h.chunked = Lower(value).find("chunked") != std::string::npos;
    } else if (name == "content-encoding") {
        h.encoding = Lower(value);
    } else if (name == "content-range") {
        h.contentRange = value;
    } else if (name == "etag") {
        h.etag = value;
    } else if (name == "last-modified") {
        h.lastModified = value;
    } else if (name == "accept-ranges") {
        h.rangesRefused = Lower(value) == "none";
    } else if (name == "retry-after") {
        h.retryAfter = ParseRetryAfter(value);
    }
    return line.size();
}

// Before the first byte of a body: is it the file, and where in it does it
// start?
bool BeginBody(Transfer* t) {
    long status = 0;
    curl_easy_getinfo(t->curl, CURLINFO_RESPONSE_CODE, &status);
    uint64_t offset = 0;
    int64_t size = -1;
    if (status == 200) {
        curl_off_t length = -1;
        curl_easy_getinfo(t->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        size = length;
    } else if (status == 206 && t->request->resumeFrom > 0) {
        if (!ParseContentRange(t->headers.contentRange, offset, size) ||
            offset != t->request->resumeFrom) {
            t->rangeMismatch = true;
            return false;
        }
    } else {
        t->notWanted = true;
        return false;
    }
    // Only the identity encoding is asked for; a compressed body would be
    // saved as it came, not as the file it stands for.
    if (!IsIdentity(t->headers.encoding)) {
        t->encoded = true;
        return false;
    }
    if (!t->sink->begin(offset, size)) {
        t->sinkFailed = true;
        return false;
    }
    t->began = true;
    return true;
}

bool IsRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

size_t OnWrite(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    t->lastHeard = std::chrono::steady_clock::now();
    const size_t n = size * count;
    long status = 0;
    curl_easy_getinfo(t->curl, CURLINFO_RESPONSE_CODE, &status);
    if (IsRedirect(status)) {
        t->redirectBytes += n;
        return t->redirectBytes <= kLongestRedirectBody ? n : 0;
    }
    if (!t->began && !BeginBody(t)) {
        return 0;
    }
    if (!t->sink->write(std::string_view(data, n))) {
        t->sinkFailed = true;
        return 0;
    }
    t->bytes += n;
    return n;
}

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlHandles {
    CurlHandles() : easy(curl_easy_init()), multi(curl_multi_init()) {}
    ~CurlHandles() {
        if (multi != nullptr) {
            curl_multi_cleanup(multi);
        }
        if (easy != nullptr) {
            curl_easy_cleanup(easy);
        }
    }
    CURL* easy;
    CURLM* multi;
};

// Runs the transfer through the multi interface, which waits at most a
// tenth of a second at a time, so that a cancel is seen at once even while
// the server is silent, and a silence is measured from the last byte (the
// library's own low-speed check averages over several seconds).
CURLcode PerformCancellable(CURLM* multi, const Transfer& t, const std::atomic<bool>& cancel) {
    CURL* easy = t.curl;
    const auto stallTimeout = t.request->stallTimeout;
    curl_multi_add_handle(multi, easy);
    CURLcode rc = CURLE_ABORTED_BY_CALLBACK;
    for (bool done = false; !done;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            rc = CURLE_FAILED_INIT;
            break;
        }
        int left = 0;
        while (const CURLMsg* msg = curl_multi_info_read(multi, &left)) {
            if (msg->msg == CURLMSG_DONE) {
                rc = msg->data.result;
                done = true;
            }
        }
        if (done || cancel) {
            break;
        }
        if (std::chrono::steady_clock::now() - t.lastHeard > stallTimeout) {
            rc = CURLE_OPERATION_TIMEDOUT;
            break;
        }
        curl_multi_poll(multi, nullptr, 0, 100, nullptr);
    }
    curl_multi_remove_handle(multi, easy);
    return rc;
}

// http may lead to https, https only to https, and nothing to any other
// scheme.
bool RedirectAllowed(const std::string& from, const std::string& to) {
    const std::string target = Lower(to);
    if (target.starts_with("https://")) {
        return true;
    }
    return target.starts_with("http://") && !Lower(from).starts_with("https://");
}

void SetOptions(CURL* c, const HttpRequest& request, char* errorText, curl_slist* headers) {
    curl_easy_setopt(c, CURLOPT_USERAGENT, request.userAgent.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(c, CURLOPT_BUFFERSIZE, 256L * 1024);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, long(request.stallTimeout.count()));
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, OnWrite);
}

curl_slist* RequestHeaders(const HttpRequest& request) {
    curl_slist* headers = curl_slist_append(nullptr, "Accept-Encoding: identity");
    if (request.resumeFrom > 0) {
        headers = curl_slist_append(
            headers, ("Range: bytes=" + std::to_string(request.resumeFrom) + "-").c_str());
        headers = curl_slist_append(headers, ("If-Range: " + request.ifRange).c_str());
    }
    return headers;
}

HttpGetResult::Outcome OutcomeOfError(CURLcode rc) {
    using Outcome = HttpGetResult::Outcome;
    switch (rc) {
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_CACERT_BADFILE:
            return Outcome::Insecure;
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_URL_MALFORMAT:
            return Outcome::Refused;
        default:
            return Outcome::TransferFailed;
    }
}

// Whether the proxy the request went through (result.proxy) failed it
// itself: with an answer of its own (a 407, or an error to CONNECT) or by
// not taking the connection. The player is then told about the proxy, not
// the server.
bool ConcludeProxyFault(const Transfer& t, CURLcode rc, const char* errorText,
                        HttpGetResult& result) {
    using Outcome = HttpGetResult::Outcome;
    using Fault = HttpGetResult::ProxyFault;
    if (result.proxy.empty()) {
        return false;
    }
    long connectStatus = 0;
    curl_easy_getinfo(t.curl, CURLINFO_HTTP_CONNECTCODE, &connectStatus);
    // An https request goes through CONNECT; a plain http one is forwarded,
    // and the proxy's 407 comes back as the answer itself.
    const long status = connectStatus >= 300 ? connectStatus : result.status == 407 ? 407 : 0;
    const std::string proxy = "the proxy " + result.proxy;
    const std::string why = errorText[0] ? errorText : curl_easy_strerror(rc);
    if (status == 407) {
        result.proxyFault = Fault::WantsPassword;
        result.outcome = Outcome::Refused;
        result.error = proxy + " asks for a password (HTTP 407)";
    } else if (status != 0) {
        result.proxyFault = Fault::Refused;
        // As from a server: a proxy's 5xx may pass, its other refusals will not.
        result.outcome = status >= 500 ? Outcome::TransferFailed : Outcome::Refused;
        result.error =
            proxy + " refused to connect to the server (HTTP " + std::to_string(status) + ")";
    } else if (rc == CURLE_COULDNT_CONNECT || rc == CURLE_COULDNT_RESOLVE_PROXY) {
        result.proxyFault = Fault::Unreachable;
        result.outcome = Outcome::TransferFailed;
        result.error = "no connection to " + proxy + ": " + why;
    } else if (rc == CURLE_PROXY) {
        // A SOCKS proxy's refusal, which may be its way to an unreachable
        // server: tried again as one.
        result.proxyFault = Fault::Refused;
        result.outcome = Outcome::TransferFailed;
        result.error = proxy + " refused to connect to the server: " + why;
    } else {
        return false;
    }
    result.proxyStatus = status;
    return true;
}

// What the last request of the chain came to.
void Conclude(const Transfer& t, CURLcode rc, const char* errorText, HttpGetResult& result) {
    using Outcome = HttpGetResult::Outcome;
    CURL* c = t.curl;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &result.status);
    if (ConcludeProxyFault(t, rc, errorText, result)) {
        return;
    }
    result.bytes = t.bytes;
    result.retryAfter = t.headers.retryAfter;
    result.rangeMismatch = t.rangeMismatch;
    // If-Range takes a strong validator only.
    if (!t.headers.rangesRefused) {
        result.validator = !t.headers.etag.empty() && !t.headers.etag.starts_with("W/")
                               ? t.headers.etag
                               : t.headers.lastModified;
    }
    long version = 0;
    curl_easy_getinfo(c, CURLINFO_HTTP_VERSION, &version);
    // HTTP/2 and later frame every body; HTTP/1 bodies end where a length
    // or a last chunk says, or, failing both, wherever the connection broke.
    const bool endKnown =
        t.headers.lengthGiven || t.headers.chunked || version >= CURL_HTTP_VERSION_2_0;
    if (t.rangeMismatch) {
        result.outcome = Outcome::TransferFailed;
        result.error = "the server sent another part of the file than was asked for (" +
                       t.headers.contentRange + ")";
    } else if (t.notWanted || (rc == CURLE_OK && !t.began && result.status != 200)) {
        result.outcome = Outcome::OtherStatus;
    } else if (t.encoded) {
        result.outcome = Outcome::Refused;
        result.error = "the server sent the body encoded as " + t.headers.encoding +
                       ", which was not asked for";
    } else if (t.sinkFailed) {
        result.outcome = Outcome::SinkFailed;
    } else if (rc == CURLE_ABORTED_BY_CALLBACK) {
        result.outcome = Outcome::Cancelled;
    } else if (rc != CURLE_OK) {
        result.outcome = OutcomeOfError(rc);
        result.error = errorText[0] ? errorText
                       : rc == CURLE_OPERATION_TIMEDOUT
                           ? "the server sent nothing for " +
                                 std::to_string(t.request->stallTimeout.count()) + " s"
                           : curl_easy_strerror(rc);
    } else if (!endKnown) {
        result.outcome = Outcome::Refused;
        result.error =
            "the server did not say where the body ends, so it cannot be known to be whole";
    } else {
        curl_off_t announced = -1;
        curl_easy_getinfo(c, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        if (announced >= 0 && uint64_t(announced) != t.bytes) {
            result.outcome = Outcome::TransferFailed;
            result.error = "the body is " + std::to_string(t.bytes) +
                           " bytes, the server announced " + std::to_string(announced);
        } else {
            result.outcome = Outcome::Complete;
        }
    }
}

// Tries the ways out of one request in the resolver's order, as the web
// engine does: the next one while a proxy fails the request itself (cannot
// be reached, will not forward it). Answers the last try, whose error also
// tells how those before it failed.
HttpGetResult TryRoutesInOrder(const std::vector<ProxyRoute>& routes,
                               const std::function<HttpGetResult(const ProxyRoute&)>& attempt) {
    HttpGetResult result;
    std::string failedBefore;
    for (size_t i = 0; i < routes.size(); ++i) {
        result = attempt(routes[i]);
        if (result.proxyFault == HttpGetResult::ProxyFault::None || i + 1 == routes.size()) {
            break;
        }
        failedBefore += (failedBefore.empty() ? "" : "; ") + result.error;
    }
    if (!failedBefore.empty() && !result.error.empty()) {
        result.error += " (before that: " + failedBefore + ")";
    }
    return result;
}

}  // namespace

HttpGetResult HttpGet(const HttpRequest& request, const HttpBodySink& sink,
                      const std::atomic<bool>& cancel) {
    InitCurlOnce();
    HttpGetResult result;
    CurlHandles handles;
    if (handles.easy == nullptr || handles.multi == nullptr) {
        result.error = "cannot start the HTTP client";
        return result;
    }
    CURL* c = handles.easy;
    char errorText[CURL_ERROR_SIZE] = {};
    const std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(
        RequestHeaders(request), curl_slist_free_all);
    SetOptions(c, request, errorText, headers.get());

    // Redirects are followed here rather than by the library, so that each
    // hop is checked against the rules above and ends up in the same answer
    // handling.
    std::string url = request.url;
    for (int hop = 0;; ++hop) {
        // Each hop asks anew, since a redirect may lead to an address the
        // proxy settings treat otherwise. The proxy is always set, even when
        // none is used, so that the library never reads the environment's
        // proxy variables itself (it would read other ones than GIO).
        const ProxyLookup proxy = ProxyForUrl(url, cancel);
        if (!proxy.found) {
            result.outcome =
                cancel ? HttpGetResult::Outcome::Cancelled : HttpGetResult::Outcome::TransferFailed;
            result.error = proxy.error;
            return result;
        }
        bool redirected = false;
        result = TryRoutesInOrder(proxy.routes, [&](const ProxyRoute& route) {
            HttpGetResult tried;
            tried.proxy = route.name;
            curl_easy_setopt(c, CURLOPT_PROXY, route.curlProxy.c_str());
            curl_easy_setopt(c, CURLOPT_NOPROXY, "");
            Transfer t;
            t.curl = c;
            t.request = &request;
            t.sink = &sink;
            errorText[0] = '\0';
            curl_easy_setopt(c, CURLOPT_URL, url.c_str());
            curl_easy_setopt(c, CURLOPT_HEADERDATA, &t);
            curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
            const CURLcode rc = PerformCancellable(handles.multi, t, cancel);
            curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &tried.status);
            redirected = rc == CURLE_OK && IsRedirect(tried.status);
            if (!redirected) {
                Conclude(t, rc, errorText, tried);
            }
            return tried;
        });
        if (!redirected) {
            return result;
        }
        const char* next = nullptr;
        curl_easy_getinfo(c, CURLINFO_REDIRECT_URL, &next);
        result.outcome = HttpGetResult::Outcome::Refused;
        if (next == nullptr) {
            result.error = "a redirect from " + url + " names no address";
        } else if (hop == kMaxRedirects) {
            result.error = "more than " + std::to_string(kMaxRedirects) + " redirects";
        } else if (!RedirectAllowed(url, next)) {
            result.error = "a redirect from " + url + " to " + next + " is not followed";
        } else {
            url = next;
            continue;
        }
        return result;
    }
}
