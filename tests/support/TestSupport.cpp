#include "tests/support/TestSupport.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
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

CScopedChdir::~CScopedChdir() {
    fs::current_path(m_previous);
}

CScopedEnv::CScopedEnv(std::string name, const std::optional<std::string>& value)
    : m_name(std::move(name)) {
    if (const char* previous = std::getenv(m_name.c_str())) {
        m_previous = previous;
    }
    if (value) {
        setenv(m_name.c_str(), value->c_str(), 1);
    } else {
        unsetenv(m_name.c_str());
    }
}

CScopedEnv::~CScopedEnv() {
    if (m_previous) {
        setenv(m_name.c_str(), m_previous->c_str(), 1);
    } else {
        unsetenv(m_name.c_str());
    }
}

CRefusingPort::CRefusingPort() : m_fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (bind(m_fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
        getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        close(m_fd);
        throw std::runtime_error("cannot bind on the loopback interface");
    }
    m_port = ntohs(addr.sin_port);
}

CRefusingPort::~CRefusingPort() {
    close(m_fd);
}

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

bool CServerConnection::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(size_t(n));
    }
    return true;
}

void CServerConnection::Reset() {
    const linger hard{1, 0};
    setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    shutdown(m_fd, SHUT_RDWR);
}

void CServerConnection::WaitForClientToLeave(std::chrono::seconds limit) {
    pollfd p{m_fd, POLLIN | POLLRDHUP, 0};
    poll(&p, 1, int(std::chrono::milliseconds(limit).count()));
}

CScriptedServer::CScriptedServer(Script script) : m_script(std::move(script)) {
    m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (bind(m_listener, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
        listen(m_listener, 8) != 0 ||
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        throw std::runtime_error("cannot listen on the loopback interface");
    }
    m_port = ntohs(addr.sin_port);
    m_thread = std::thread([this] {
        for (size_t index = 0;; ++index) {
            const int conn = accept(m_listener, nullptr, nullptr);
            if (conn < 0) {
                return;  // the listener was shut down
            }
            std::string head;
            char buf[4096];
            while (head.find("\r\n\r\n") == std::string::npos) {
                const ssize_t n = recv(conn, buf, sizeof buf, 0);
                if (n <= 0) {
                    break;
                }
                head.append(buf, size_t(n));
            }
            {
                std::lock_guard lock(m_mutex);
                m_requests.push_back(head);
            }
            CServerConnection connection(conn);
            m_script(index, head, connection);
            close(conn);
        }
    });
}

CScriptedServer::~CScriptedServer() {
    shutdown(m_listener, SHUT_RDWR);
    m_thread.join();
    close(m_listener);
}

std::vector<std::string> CScriptedServer::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
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

fs::path FakeLauncherPath() {
    return FAKE_LAUNCHER_PATH;
}
