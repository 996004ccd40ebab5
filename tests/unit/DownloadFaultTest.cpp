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
        CLauncherFetch(m_moduleDir.Str(), source).FetchAndStartLauncher(kArgs);
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
