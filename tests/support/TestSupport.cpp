#include "tests/support/TestSupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

CTempDir::CTempDir() {
    std::string pattern = (fs::temp_directory_path() / "launcher-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_path = pattern;
}

CTempDir::~CTempDir() {
    std::error_code ec;
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(m_path, ec);
}

CScopedChdir::CScopedChdir(const fs::path& dir) : m_previous(fs::current_path()) {
    fs::current_path(dir);
}

CScopedChdir::~CScopedChdir() { fs::current_path(m_previous); }

CTestServer::CTestServer() {
    m_server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
        ++m_requests;
        std::lock_guard lock(m_mutex);
        m_lastUserAgent = req.get_header_value("User-Agent");
        return httplib::Server::HandlerResponse::Unhandled;
    });
}

void CTestServer::Start() {
    m_port = m_server.bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server.listen_after_bind(); });
    while (!m_server.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

CTestServer::~CTestServer() {
    m_server.stop();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

std::string CTestServer::LastUserAgent() const {
    std::lock_guard lock(m_mutex);
    return m_lastUserAgent;
}

std::optional<LauncherRecord> WaitForLauncherRecord(const fs::path& recordFile) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!fs::exists(recordFile)) {
        // The launcher is nobody's child to wait for; reap it here.
        while (waitpid(-1, nullptr, WNOHANG) > 0) {
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const std::string data = ReadFile(recordFile);
    LauncherRecord record;
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t zero; (zero = data.find('\0', start)) != std::string::npos; start = zero + 1) {
        fields.push_back(data.substr(start, zero - start));
    }
    if (!fields.empty()) {
        record.cwd = fields.front();
        record.argv.assign(fields.begin() + 1, fields.end());
    }
    return record;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const fs::path& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
}

fs::path FakeLauncherPath() { return FAKE_LAUNCHER_PATH; }
