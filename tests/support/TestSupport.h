#pragma once

// Small helpers the hand-off tests share: a scratch directory, a loopback
// HTTP server, and reading what the fake launcher recorded.

#include <httplib.h>

#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// A fresh directory under the system's temporary one, removed at the end.
class CTempDir {
public:
    CTempDir();
    ~CTempDir();
    const std::filesystem::path& Path() const { return m_path; }
    std::string Str() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};

// Makes `dir` the current directory for as long as it lives.
class CScopedChdir {
public:
    explicit CScopedChdir(const std::filesystem::path& dir);
    ~CScopedChdir();

private:
    std::filesystem::path m_previous;
};

// An httplib server on 127.0.0.1 at a free port, serving from its own thread.
class CTestServer {
public:
    CTestServer();
    ~CTestServer();
    httplib::Server& Server() { return m_server; }
    void Start();
    std::string Origin() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    int RequestCount() const { return m_requests; }
    std::string LastUserAgent() const;

private:
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    std::atomic<int> m_requests{0};
    mutable std::mutex m_mutex;
    std::string m_lastUserAgent;
};

// A loopback server that answers every connection with the same bytes, as
// they stand, and then closes it: for answers no well-behaved HTTP library
// would send. Records each request's head.
class CCannedServer {
public:
    explicit CCannedServer(std::string reply);
    ~CCannedServer();
    std::string Origin() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    std::vector<std::string> Requests() const;

private:
    std::string m_reply;
    int m_listener = -1;
    int m_port = 0;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
};

// What the fake launcher recorded: its current directory, then argv.
struct LauncherRecord {
    std::string cwd;
    std::vector<std::string> argv;
};

// Waits up to five seconds for the fake launcher's record.
std::optional<LauncherRecord> WaitForLauncherRecord(const std::filesystem::path& recordFile);

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& data);

// The fake launcher program built beside the tests.
std::filesystem::path FakeLauncherPath();
