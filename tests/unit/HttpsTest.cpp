// HttpGet over https against a real loopback TLS server, with certificates
// from tests/with-test-ca.sh: a certificate the system's store vouches for is
// taken; any other is refused before a single byte of the body is handed
// over, and before the request itself goes out.

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "handoff/LauncherDownload.h"
#include "platform/HttpGet.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr char kPath[] = "/kestrani2/halvoryne_web/vuntek_qx_launch.exe";

// Where the wrapper left its certificates; empty when not run under it.
std::string TlsDir() {
    const char* dir = std::getenv("LAUNCHER_TEST_TLS");
    return dir != nullptr ? dir : "";
}

// A TLS server on 127.0.0.1 at a free port, presenting certificate `name`
// of the wrapper's set, and counting the requests that got through.
class CTlsServer {
public:
    explicit CTlsServer(const std::string& name)
        : m_server((TlsDir() + "/" + name + ".crt").c_str(),
                   (TlsDir() + "/" + name + ".key").c_str()) {}

    ~CTlsServer() {
        m_server.stop();
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }

    bool Start(const std::string& body) {
        if (!m_server.is_valid()) {
            return false;
        }
        m_server.Get(kPath, [this, body](const httplib::Request&, httplib::Response& res) {
            ++m_requests;
            res.set_content(body, "application/octet-stream");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    std::string Url(const std::string& host) const {
        return "https://" + host + ":" + std::to_string(m_port) + kPath;
    }
    int Requests() const { return m_requests; }

private:
    httplib::SSLServer m_server;
    std::thread m_thread;
    int m_port = 0;
    std::atomic<int> m_requests{0};
};

struct Fetched {
    HttpGetResult result;
    std::string body;
};

Fetched Get(const std::string& url) {
    Fetched fetched;
    const std::atomic<bool> cancel{false};
    const HttpBodySink sink{[](uint64_t, int64_t) { return true; },
                            [&](std::string_view piece) {
                                fetched.body.append(piece);
                                return true;
                            }};
    fetched.result = HttpGet({.url = url, .userAgent = "unit_tests"}, sink, cancel);
    return fetched;
}

class HttpsTest : public testing::Test {
protected:
    void SetUp() override {
        if (TlsDir().empty()) {
            const char* why = std::getenv("LAUNCHER_TEST_TLS_SKIP");
            GTEST_SKIP() << (why != nullptr
                                 ? why
                                 : "run under tests/with-test-ca.sh, which makes the certificates");
        }
    }

    // Large enough to take several TLS records.
    const std::string m_body = std::string(300 * 1024, 'L') + "end";
};

}  // namespace

TEST_F(HttpsTest, CertificateFromTheTrustedAuthorityIsTakenForItsAddressAndName) {
    CTlsServer server("trusted");
    ASSERT_TRUE(server.Start(m_body));
    for (const char* host : {"127.0.0.1", "localhost"}) {
        SCOPED_TRACE(host);
        const Fetched fetched = Get(server.Url(host));
        EXPECT_EQ(fetched.result.outcome, HttpGetResult::Outcome::Complete) << fetched.result.error;
        EXPECT_EQ(fetched.result.status, 200);
        EXPECT_EQ(fetched.body, m_body);
    }
}

class HttpsRefusedTest : public HttpsTest, public testing::WithParamInterface<const char*> {};

TEST_P(HttpsRefusedTest, CertificateIsRefusedBeforeTheRequestGoesOut) {
    CTlsServer server(GetParam());
    ASSERT_TRUE(server.Start(m_body));
    const Fetched fetched = Get(server.Url("127.0.0.1"));
    EXPECT_EQ(fetched.result.outcome, HttpGetResult::Outcome::Insecure) << fetched.result.error;
    EXPECT_FALSE(fetched.result.error.empty());
    EXPECT_TRUE(fetched.body.empty());
    EXPECT_EQ(fetched.result.bytes, 0u);
    EXPECT_EQ(server.Requests(), 0)
        << "the request was sent over a connection not known to be safe";
}

INSTANTIATE_TEST_SUITE_P(Https, HttpsRefusedTest,
                         testing::Values("untrusted", "wrong-host", "expired"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             std::erase(name, '-');
                             return name;
                         });

// The launcher download tells the player the connection is not secure, and
// does not try again: another try meets the same certificate.
TEST_F(HttpsTest, LauncherFromAServerWithARefusedCertificateIsToldAndNotRetried) {
    CTlsServer server("untrusted");
    ASSERT_TRUE(server.Start(m_body));
    CTempDir dir;
    TransferProgress progress;
    LauncherSource source{.url = server.Url("127.0.0.1"), .userAgent = "unit_tests"};
    source.retry.firstPause = std::chrono::seconds(30);  // a retry would show as a long wait
    const auto start = std::chrono::steady_clock::now();
    const DownloadOutcome outcome =
        DownloadLauncher(source, (dir.Path() / "launcher").string(), progress);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(outcome.kind, DownloadOutcome::Kind::Failed);
    EXPECT_NE(outcome.message.find(u"安全连接"), std::u16string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

// Redirects may raise a download to https, never lower it to http.
TEST_F(HttpsTest, RedirectsGoFromHttpToHttpsButNeverBack) {
    CTlsServer secure("trusted");
    ASSERT_TRUE(secure.Start(m_body));
    CCannedServer up("HTTP/1.1 302 Found\r\nLocation: " + secure.Url("localhost") +
                     "\r\nContent-Length: 0\r\n\r\n");
    const Fetched raised = Get(up.Origin() + kPath);
    EXPECT_EQ(raised.result.outcome, HttpGetResult::Outcome::Complete) << raised.result.error;
    EXPECT_EQ(raised.body, m_body);

    CCannedServer plain("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nplain");
    httplib::SSLServer down((TlsDir() + "/trusted.crt").c_str(),
                            (TlsDir() + "/trusted.key").c_str());
    down.Get(kPath, [&](const httplib::Request&, httplib::Response& res) {
        res.set_redirect(plain.Origin() + kPath);
    });
    const int port = down.bind_to_any_port("127.0.0.1");
    std::thread thread([&] { down.listen_after_bind(); });
    while (!down.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const Fetched lowered = Get("https://127.0.0.1:" + std::to_string(port) + kPath);
    down.stop();
    thread.join();
    EXPECT_EQ(lowered.result.outcome, HttpGetResult::Outcome::Refused);
    EXPECT_TRUE(lowered.body.empty());
    EXPECT_TRUE(plain.Requests().empty()) << "the download went on over plain http";
}
