#pragma once

// Small helpers the hand-off tests share: a scratch directory, a loopback
// HTTP server, and reading what the fake launcher recorded.

#include <httplib.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
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

// Sets (or, given nullopt, removes) an environment variable for as long as it
// lives, then puts back what was there.
class CScopedEnv {
public:
    CScopedEnv(std::string name, const std::optional<std::string>& value);
    ~CScopedEnv();
    CScopedEnv(const CScopedEnv&) = delete;
    CScopedEnv& operator=(const CScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_previous;
};

// A loopback port held bound but never listened on, where every connection
// is refused and which nobody else can take meanwhile.
class CRefusingPort {
public:
    CRefusingPort();
    ~CRefusingPort();
    CRefusingPort(const CRefusingPort&) = delete;
    CRefusingPort& operator=(const CRefusingPort&) = delete;
    int Port() const { return m_port; }

private:
    int m_fd = -1;
    int m_port = 0;
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

// One connection to a CScriptedServer, as its script sees it.
class CServerConnection {
public:
    explicit CServerConnection(int fd) : m_fd(fd) {}
    // False once the client has gone.
    bool Send(std::string_view bytes);
    // Ends the connection with a reset, as a broken network would.
    void Reset();
    // Waits, sending nothing, until the client gives up (or `limit` passes).
    void WaitForClientToLeave(std::chrono::seconds limit);

private:
    int m_fd;
};

// A loopback server that answers each connection by a script: for answers no
// well-behaved HTTP library would send, and faults at chosen moments. One
// connection at a time, each closed when its script returns. Records each
// request's head.
class CScriptedServer {
public:
    // `index` counts the requests from 0.
    using Script = std::function<void(size_t index, const std::string& head, CServerConnection&)>;
    explicit CScriptedServer(Script script);
    ~CScriptedServer();
    std::string Origin() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    std::vector<std::string> Requests() const;

private:
    Script m_script;
    int m_listener = -1;
    int m_port = 0;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
};

// Answers every connection with the same bytes, as they stand.
class CCannedServer : public CScriptedServer {
public:
    explicit CCannedServer(std::string reply)
        : CScriptedServer([reply = std::move(reply)](size_t, const std::string&,
                                                     CServerConnection& c) { c.Send(reply); }) {}
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
