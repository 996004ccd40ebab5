// The launcher download on a poor network and against servers that misbehave:
// each fault leaves nothing partial or foreign at the launcher path, starts
// nothing unverified, tells the player and keeps the program usable.

#include <sys/resource.h>

#include <openssl/evp.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <thread>

#include "platform/TextCodec.h"
#include "tests/support/LauncherFetchFixture.h"
#include "tests/support/SigningKey.h"

namespace {

constexpr char kEtag[] = "\"v1\"";

std::string Answer(const std::string& status, const std::string& headers,
                   const std::string& body = "") {
    return "HTTP/1.1 " + status + "\r\n" + headers +
           "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" +
           body;
}

// The value of a request header, or "" when it was not sent.
std::string Header(const std::string& head, const std::string& name) {
    const size_t at = head.find("\r\n" + name + ": ");
    if (at == std::string::npos) {
        return "";
    }
    const size_t start = at + name.size() + 4;
    return head.substr(start, head.find("\r\n", start) - start);
}

class DownloadFaultTest : public LauncherFetchFixture {
protected:
    void FetchFrom(const std::string& origin, const std::string& signingKey = "") {
        LauncherSource source = Source(origin + kLauncherUrlPath, "", signingKey);
        source.retry.stallTimeout = std::chrono::seconds(1);
        CLauncherFetch(Fake(), m_moduleDir.Str(), source).FetchAndStartLauncher(kArgs);
    }

    void ExpectStarted() {
        ExpectStartedWith({LauncherPath().string(), ",id^u1,auth_key^t&s&o&x"});
        EXPECT_EQ(ReadFile(LauncherPath()), m_launcherBytes);
        EXPECT_EQ(ModuleDirEntries(), std::vector<std::string>{kLauncherFileName});
        EXPECT_TRUE(Fake().messages.empty());
    }

    // Nothing started, nothing left, and the player told why.
    std::u16string ExpectToldAndNothingLeft() {
        ExpectNothingStarted();
        if (Fake().messages.size() != 1) {
            ADD_FAILURE() << Fake().messages.size() << " messages shown";
            return {};
        }
        EXPECT_EQ(Fake().messages[0].caption, u"【下载失败】");
        return Fake().messages[0].text;
    }

    // The first half of the launcher, then the connection breaks.
    void SendHalfAndReset(CServerConnection& c, const std::string& headers) {
        const std::string body = m_launcherBytes;
        c.Send("HTTP/1.1 200 OK\r\n" + headers + "Content-Length: " + std::to_string(body.size()) +
               "\r\n\r\n");
        c.Send(std::string_view(body).substr(0, body.size() / 2));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        c.Reset();
    }

    size_t Half() const { return m_launcherBytes.size() / 2; }
};

}  // namespace

TEST_F(DownloadFaultTest, ServerErrorThenSuccessIsRetriedAndStarted) {
    CScriptedServer server([this](size_t index, const std::string&, CServerConnection& c) {
        c.Send(index == 0 ? Answer("500 Internal Server Error", "", "busy")
                          : Answer("200 OK", "", m_launcherBytes));
    });
    FetchFrom(server.Origin());
    ExpectStarted();
    EXPECT_EQ(server.Requests().size(), 2u);
}

TEST_F(DownloadFaultTest, BrokenTransferResumesWithOnlyTheMissingBytes) {
    std::atomic<size_t> bodyBytesSent{0};
    CScriptedServer server([&](size_t index, const std::string&, CServerConnection& c) {
        const std::string headers = "ETag: " + std::string(kEtag) + "\r\nAccept-Ranges: bytes\r\n";
        if (index == 0) {
            SendHalfAndReset(c, headers);
            bodyBytesSent += Half();
            return;
        }
        const std::string rest = m_launcherBytes.substr(Half());
        c.Send(Answer("206 Partial Content",
                      headers + "Content-Range: bytes " + std::to_string(Half()) + "-" +
                          std::to_string(m_launcherBytes.size() - 1) + "/" +
                          std::to_string(m_launcherBytes.size()) + "\r\n",
                      rest));
        bodyBytesSent += rest.size();
    });
    FetchFrom(server.Origin());
    ExpectStarted();
    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(Header(requests[0], "Range"), "");
    EXPECT_EQ(Header(requests[1], "Range"), "bytes=" + std::to_string(Half()) + "-");
    EXPECT_EQ(Header(requests[1], "If-Range"), kEtag);
    EXPECT_EQ(bodyBytesSent, m_launcherBytes.size());
}

// After a break, a server that cannot or will not send the rest: the file
// is fetched whole again, never spliced.
TEST_F(DownloadFaultTest, ResumeTheServerDoesNotHonourStartsOverCleanly) {
    const std::string validators =
        "ETag: \"v1\"\r\nLast-Modified: Tue, 01 Dec 2026 10:00:00 GMT\r\n";
    const std::string contentRange =
        "Content-Range: bytes 10-20/" + std::to_string(m_launcherBytes.size()) + "\r\n";
    const struct {
        const char* name;
        std::string second;  // the answer to the request for the rest
    } cases[] = {
        {"ignores Range", Answer("200 OK", validators, m_launcherBytes)},
        {"416", Answer("416 Range Not Satisfiable", "")},
        {"another part",
         Answer("206 Partial Content", validators + contentRange, m_launcherBytes.substr(10, 11))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fake().Reset();
        fs::remove(LauncherPath());
        fs::remove(m_record);
        CScriptedServer server([&](size_t index, const std::string&, CServerConnection& conn) {
            if (index == 0) {
                SendHalfAndReset(conn, validators);
            } else if (index == 1) {
                conn.Send(c.second);
            } else {
                conn.Send(Answer("200 OK", validators, m_launcherBytes));
            }
        });
        FetchFrom(server.Origin());
        ExpectStarted();
        const std::vector<std::string> requests = server.Requests();
        ASSERT_GE(requests.size(), 2u);
        EXPECT_EQ(Header(requests[1], "If-Range"), "\"v1\"");
        EXPECT_EQ(Header(requests.back(), "Range"),
                  requests.size() == 2 ? "bytes=" + std::to_string(Half()) + "-" : "");
    }
}

TEST_F(DownloadFaultTest, WithoutAStrongValidatorABreakIsFetchedWholeAgain) {
    CScriptedServer server([&](size_t index, const std::string&, CServerConnection& c) {
        if (index == 0) {
            SendHalfAndReset(c, "ETag: W/\"weak\"\r\n");
        } else {
            c.Send(Answer("200 OK", "ETag: W/\"weak\"\r\n", m_launcherBytes));
        }
    });
    FetchFrom(server.Origin());
    ExpectStarted();
    ASSERT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(Header(server.Requests()[1], "Range"), "");
}

TEST_F(DownloadFaultTest, BodyShorterThanAnnouncedOnEveryAttemptIsToldAfterTheRetries) {
    CScriptedServer server([&](size_t, const std::string&, CServerConnection& c) {
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(m_launcherBytes.size()) +
               "\r\n\r\n");
        c.Send(std::string_view(m_launcherBytes).substr(0, Half()));
    });
    FetchFrom(server.Origin());
    EXPECT_NE(ExpectToldAndNothingLeft().find(u"请检查网络连接"), std::u16string::npos);
    EXPECT_EQ(server.Requests().size(), 4u) << "the first attempt and three retries";
}

TEST_F(DownloadFaultTest, StalledServerIsGivenUpOnAndRetried) {
    CScriptedServer server([&](size_t, const std::string&, CServerConnection& c) {
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(m_launcherBytes.size()) +
               "\r\n\r\n");
        c.Send(std::string_view(m_launcherBytes).substr(0, 100));
        c.WaitForClientToLeave(std::chrono::seconds(10));
    });
    FetchFrom(server.Origin());
    ExpectToldAndNothingLeft();
    EXPECT_EQ(server.Requests().size(), 4u);
}

TEST_F(DownloadFaultTest, PermanentAnswersAreNotRetried) {
    const struct {
        const char* name;
        std::string answer;
    } cases[] = {
        {"404", Answer("404 Not Found", "", "gone")},
        {"403", Answer("403 Forbidden", "", "no")},
        {"429 asking for an hour", Answer("429 Too Many Requests", "Retry-After: 3600\r\n")},
        {"unknown encoding", Answer("200 OK", "Content-Encoding: br\r\n", m_launcherBytes)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fake().Reset();
        CCannedServer server(c.answer);
        FetchFrom(server.Origin());
        ExpectToldAndNothingLeft();
        EXPECT_EQ(server.Requests().size(), 1u);
    }
}

TEST_F(DownloadFaultTest, ShortRetryAfterIsWaitedForAndRetried) {
    CScriptedServer server([this](size_t index, const std::string&, CServerConnection& c) {
        c.Send(index == 0   ? Answer("429 Too Many Requests", "Retry-After: 1\r\n")
               : index == 1 ? Answer("408 Request Timeout", "")
                            : Answer("200 OK", "", m_launcherBytes));
    });
    const auto start = std::chrono::steady_clock::now();
    FetchFrom(server.Origin());
    ExpectStarted();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(server.Requests().size(), 3u);
}

TEST_F(DownloadFaultTest, CancellingDuringAPauseEndsQuietlyAndTheNextHandoffStartsOver) {
    std::atomic<bool> cancelled{false};
    CScriptedServer server([&](size_t, const std::string&, CServerConnection& c) {
        c.Send(cancelled ? Answer("200 OK", "", m_launcherBytes)
                         : Answer("503 Service Unavailable", "Retry-After: 30\r\n"));
    });
    Fake().duringProgress = [&](TransferProgress& progress) {
        while (progress.retry == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_EQ(progress.retryLimit, 3);
        cancelled = true;
        progress.cancelRequested = true;
    };
    const auto start = std::chrono::steady_clock::now();
    FetchFrom(server.Origin());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20))
        << "the pause was sat out";
    ExpectNothingStarted();
    EXPECT_TRUE(Fake().messages.empty());

    Fake().Reset();
    FetchFrom(server.Origin());
    ExpectStarted();
}

TEST_F(DownloadFaultTest, RedirectsToOtherSchemesAndLoopsAreRefused) {
    WriteFile(m_workDir.Path() / "local-file", m_launcherBytes);
    const struct {
        const char* name;
        std::string location;
    } cases[] = {
        {"file", "file://" + (m_workDir.Path() / "local-file").string()},
        {"ftp", "ftp://127.0.0.1/launcher.exe"},
        {"loop", kLauncherUrlPath},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fake().Reset();
        CCannedServer server(Answer("302 Found", "Location: " + c.location + "\r\n"));
        FetchFrom(server.Origin());
        ExpectToldAndNothingLeft();
        EXPECT_LE(server.Requests().size(), 11u);
    }
}

TEST_F(DownloadFaultTest, LinkPlantedAtTheLauncherPathIsReplacedNotFollowed) {
    const fs::path target = m_workDir.Path() / "elsewhere";
    fs::create_symlink(target, LauncherPath());
    CCannedServer server(Answer("200 OK", "", m_launcherBytes));
    FetchFrom(server.Origin());
    EXPECT_FALSE(fs::exists(target)) << "the download was written through the link";
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(LauncherPath())));
    ExpectStarted();
}

TEST_F(DownloadFaultTest, FileSizeLimitIsToldAndNotRetried) {
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    CCannedServer server(Answer("200 OK", "", m_launcherBytes));
    FetchFrom(server.Origin());
    setrlimit(RLIMIT_FSIZE, &saved);
    const std::u16string text = ExpectToldAndNothingLeft();
    EXPECT_NE(text.find(Widen(std::strerror(EFBIG))), std::u16string::npos) << Utf8FromWide(text);
    EXPECT_EQ(server.Requests().size(), 1u);
}

// A body far larger than memory would hold if it were kept there.
TEST_F(DownloadFaultTest, GigabyteBodyKeepsMemoryFlat) {
    constexpr size_t kSize = size_t(1) << 30;
    const std::string block(1 << 20, 'x');
    m_server.Server().Get(kLauncherUrlPath, [&](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(
            kSize, "application/octet-stream", [&](size_t offset, size_t, httplib::DataSink& sink) {
                return sink.write(block.data(), std::min(block.size(), kSize - offset));
            });
    });
    m_server.Start();
    std::ofstream("/proc/self/clear_refs") << "5";
    auto statusKb = [](const char* field) {
        std::ifstream status("/proc/self/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.starts_with(field)) {
                return std::stol(line.substr(std::strlen(field) + 1));
            }
        }
        return 0L;
    };
    const long before = statusKb("VmRSS");
    Fetch().FetchAndStartLauncher(kArgs);
    const long peak = statusKb("VmHWM");
    EXPECT_EQ(fs::file_size(LauncherPath()), kSize);
    EXPECT_LT(peak - before, 64 * 1024) << "kB of memory grew while a 1 GiB body arrived";
}

TEST_F(DownloadFaultTest, SignedLauncherIsStartedOnlyWithAValidSignature) {
    const CSigningKey key;
    const CSigningKey otherKey;
    const std::string good = key.Sign(m_launcherBytes);
    const struct {
        const char* name;
        std::optional<std::string> signature;  // nullopt: 404
        bool started;
    } cases[] = {
        {"valid", good, true},
        {"missing", std::nullopt, false},
        {"truncated", good.substr(0, 63), false},
        {"another key", otherKey.Sign(m_launcherBytes), false},
        {"other bytes", key.Sign(m_launcherBytes + "x"), false},
        {"too long", good + std::string(8192, 'x'), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fake().Reset();
        fs::remove(LauncherPath());
        fs::remove(m_record);
        CScriptedServer server([&](size_t, const std::string& head, CServerConnection& conn) {
            if (head.starts_with(std::string("GET ") + kLauncherUrlPath + ".sig ")) {
                conn.Send(c.signature ? Answer("200 OK", "", *c.signature)
                                      : Answer("404 Not Found", ""));
            } else {
                conn.Send(Answer("200 OK", "", m_launcherBytes));
            }
        });
        FetchFrom(server.Origin(), key.PublicHex());
        if (c.started) {
            ExpectStarted();
        } else {
            ExpectToldAndNothingLeft();
        }
    }
}

namespace {

constexpr char kProxiedOrigin[] = "content.tharnvale.test";

// The environment's proxy variables, all of them, for as long as it lives:
// `proxy` for http and https addresses, none for the loopback servers. In
// upper case, which curl would not read by itself for http.
class CProxyEnv {
public:
    explicit CProxyEnv(const std::string& proxy) {
        for (const char* name :
             {"http_proxy", "https_proxy", "all_proxy", "ALL_PROXY", "NO_PROXY"}) {
            m_vars.push_back(std::make_unique<CScopedEnv>(name, std::nullopt));
        }
        m_vars.push_back(std::make_unique<CScopedEnv>("HTTP_PROXY", proxy));
        m_vars.push_back(std::make_unique<CScopedEnv>("HTTPS_PROXY", proxy));
        m_vars.push_back(std::make_unique<CScopedEnv>("no_proxy", "127.0.0.1"));
    }

private:
    std::vector<std::unique_ptr<CScopedEnv>> m_vars;
};

}  // namespace

// The proxy the settings name fails the download itself: the player is told
// which proxy (never the password the settings hold for it), nothing is
// left, and an answer that only new settings can change is not retried.
TEST_F(DownloadFaultTest, ProxyThatFailsTheDownloadIsNamedWithoutItsPassword) {
    const std::string wantsPassword = Answer("407 Proxy Authentication Required",
                                             "Proxy-Authenticate: Basic realm=\"proxy\"\r\n");
    const struct {
        const char* name;
        const char* scheme;  // of the launcher's address
        std::string answer;  // the proxy's; empty: it refuses the connection
        std::u16string told;
        size_t requests;  // that reached the proxy
    } cases[] = {
        {"refuses the connection", "http", "", u"无法连接代理服务器", 0},
        {"wants a password", "http", wantsPassword, u"要求身份验证（HTTP 407）", 1},
        {"wants a password to CONNECT", "https", wantsPassword, u"要求身份验证（HTTP 407）", 1},
        {"refuses to CONNECT", "https", Answer("403 Forbidden", ""), u"拒绝转发请求（HTTP 403）",
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fake().Reset();
        const CRefusingPort refusing;
        CCannedServer proxy(c.answer);
        const std::string hostPort = c.answer.empty()
                                         ? "127.0.0.1:" + std::to_string(refusing.Port())
                                         : proxy.Origin().substr(std::strlen("http://"));
        const CProxyEnv env("http://player:s3cret@" + hostPort);
        testing::internal::CaptureStderr();
        FetchFrom(c.scheme + std::string("://") + kProxiedOrigin);
        const std::string diagnostics = testing::internal::GetCapturedStderr();
        const std::string text = Utf8FromWide(ExpectToldAndNothingLeft());
        EXPECT_NE(text.find(Utf8FromWide(c.told)), std::string::npos) << text;
        EXPECT_NE(text.find(hostPort), std::string::npos) << text;
        EXPECT_NE(diagnostics.find(hostPort), std::string::npos) << diagnostics;
        EXPECT_EQ((text + diagnostics).find("s3cret"), std::string::npos) << text << diagnostics;
        ASSERT_EQ(proxy.Requests().size(), c.requests);
        if (c.requests > 0) {
            const std::string expected = c.scheme == std::string("https")
                                             ? "CONNECT " + std::string(kProxiedOrigin) + ":443 "
                                             : "GET http://" + std::string(kProxiedOrigin) + "/";
            EXPECT_TRUE(proxy.Requests()[0].starts_with(expected)) << proxy.Requests()[0];
        }
    }
}

// A redirect may lead to an address the proxy settings treat otherwise:
// each hop takes the way the settings give for its own address.
TEST_F(DownloadFaultTest, EachRedirectHopTakesTheWayTheSettingsGiveForItsAddress) {
    const std::string proxiedUrl = "http://" + std::string(kProxiedOrigin) + kLauncherUrlPath;
    m_server.Server().Get(kLauncherUrlPath,
                          [&](const httplib::Request& req, httplib::Response& res) {
                              if (req.has_param("redirect")) {
                                  res.set_redirect(proxiedUrl);
                              } else {
                                  res.set_content(m_launcherBytes, "application/octet-stream");
                              }
                          });
    m_server.Start();
    const std::string directUrl = m_server.Origin() + kLauncherUrlPath;
    const struct {
        const char* name;
        std::string start;
        // The proxy's answer: a redirect to the loopback server, or the file.
        std::string proxyAnswer;
        int directRequests;
    } cases[] = {
        {"proxied to direct", proxiedUrl, Answer("302 Found", "Location: " + directUrl + "\r\n"),
         1},
        {"direct to proxied", directUrl + "?redirect", Answer("200 OK", "", m_launcherBytes), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fake().Reset();
        fs::remove(LauncherPath());
        fs::remove(m_record);
        CCannedServer proxy(c.proxyAnswer);
        const CProxyEnv env(proxy.Origin());
        const int before = m_server.RequestCount();
        LauncherSource source = Source(c.start);
        CLauncherFetch(Fake(), m_moduleDir.Str(), source).FetchAndStartLauncher(kArgs);
        ExpectStarted();
        ASSERT_EQ(proxy.Requests().size(), 1u);
        EXPECT_TRUE(proxy.Requests()[0].starts_with("GET " + proxiedUrl + " "))
            << proxy.Requests()[0];
        EXPECT_EQ(m_server.RequestCount() - before, c.directRequests);
    }
}
