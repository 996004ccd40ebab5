#include "platform/ProcessStart.h"

#include <dirent.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <thread>

extern char** environ;

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
    // The program path: no escapes, ends at its closing quote or first blank.
    std::string program;
    size_t i = 0;
    if (i < line.size() && line[i] == '"') {
        for (++i; i < line.size() && line[i] != '"'; ++i) {
            program.push_back(line[i]);
        }
        if (i < line.size()) {
            ++i;
        }
    } else {
        for (; i < line.size() && !IsBlank(line[i]); ++i) {
            program.push_back(line[i]);
        }
    }
    std::vector<std::string> args{std::move(program)};
    for (std::string& arg : SplitArguments(line.substr(i))) {
        args.push_back(std::move(arg));
    }
    return args;
}

std::vector<std::string> SplitArguments(std::string_view text) {
    std::vector<std::string> args;
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    if (i == text.size()) {
        return args;
    }

    std::string arg;
    size_t backslashes = 0;
    int quotes = 0;  // quotes seen in the current run; odd means inside quotes
    while (i < text.size()) {
        const char c = text[i];
        if (IsBlank(c) && quotes == 0) {
            args.push_back(std::move(arg));
            arg.clear();
            backslashes = 0;
            while (i < text.size() && IsBlank(text[i])) {
                ++i;
            }
            if (i == text.size()) {
                return args;
            }
        } else if (c == '\\') {
            arg.push_back(c);
            ++backslashes;
            ++i;
        } else if (c == '"') {
            // 2n backslashes and a quote: n backslashes, the quote groups.
            // 2n+1 backslashes and a quote: n backslashes and a literal quote.
            arg.resize(arg.size() - backslashes / 2);
            if (backslashes % 2 == 0) {
                ++quotes;
            } else {
                arg.back() = '"';
            }
            backslashes = 0;
            ++i;
            // In a quoted run, every third consecutive quote is a literal one.
            for (; i < text.size() && text[i] == '"'; ++i) {
                if (++quotes == 3) {
                    arg.push_back('"');
                    quotes = 0;
                }
            }
            if (quotes == 2) {
                quotes = 0;
            }
        } else {
            arg.push_back(c);
            backslashes = 0;
            ++i;
        }
    }
    args.push_back(std::move(arg));
    return args;
}

StartResult StartProcess(const std::string& programPath, std::string_view argumentText) {
    if (programPath.empty() || programPath.find('\0') != std::string::npos) {
        return {false, ENOENT};
    }
    ProcessSpec spec;
    spec.argv = SplitArguments(argumentText);
    spec.argv.insert(spec.argv.begin(), programPath);
    const SpawnResult spawned = SpawnProcess(spec);
    return {spawned.pid > 0, spawned.error};
}

SpawnResult SpawnProcess(const ProcessSpec& spec) {
    if (spec.argv.empty() || spec.argv[0].empty()) {
        return {0, ENOENT};
    }
    std::vector<char*> argv;
    argv.reserve(spec.argv.size() + 1);
    for (const std::string& a : spec.argv) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : spec.environment) {
        envp.push_back(const_cast<char*>(e.c_str()));
    }
    envp.push_back(nullptr);

    // The child starts with default signal handling and an empty signal mask,
    // whatever this process has set up for itself, and with only the three
    // standard streams open.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setsigmask(&attr, &none);
    short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
    if (spec.newSession) {
        flags |= POSIX_SPAWN_SETSID;
    }
    posix_spawnattr_setflags(&attr, flags);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);

    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, &attr, argv.data(),
                               spec.environment.empty() ? environ : envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    return rc == 0 ? SpawnResult{pid, 0} : SpawnResult{0, rc};
}

std::optional<int> WaitForExit(int pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (done < 0 && errno != EINTR) {
            return 128;  // not our child, or reaped already: it is over
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void KillSession(int pid) {
    if (pid <= 0) {
        return;
    }
    // The session's leader leads its process group too.
    kill(-pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

std::vector<std::string> EnvironmentWith(const std::vector<std::string>& changes,
                                         const std::vector<std::string>& removed) {
    auto nameOf = [](std::string_view entry) { return entry.substr(0, entry.find('=')); };
    auto listed = [&](const std::vector<std::string>& list, std::string_view name) {
        return std::any_of(list.begin(), list.end(),
                           [&](const std::string& e) { return nameOf(e) == name; });
    };
    std::vector<std::string> result;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view name = nameOf(*e);
        if (!listed(changes, name) &&
            std::find(removed.begin(), removed.end(), name) == removed.end()) {
            result.emplace_back(*e);
        }
    }
    result.insert(result.end(), changes.begin(), changes.end());
    return result;
}

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string FindProgram(const std::string& name, std::string_view searchPath) {
    if (name.empty()) {
        return {};
    }
    if (name.find('/') != std::string::npos) {
        return IsExecutableFile(name) ? name : std::string();
    }
    size_t from = 0;
    while (from <= searchPath.size()) {
        size_t to = searchPath.find(':', from);
        if (to == std::string_view::npos) {
            to = searchPath.size();
        }
        // An empty entry, or a relative one, would name the current folder,
        // which is wherever the program was started: never searched.
        const std::string_view folder = searchPath.substr(from, to - from);
        if (folder.starts_with('/')) {
            std::string candidate = std::string(folder) + "/" + name;
            if (IsExecutableFile(candidate)) {
                return candidate;
            }
        }
        from = to + 1;
    }
    return {};
}

namespace {

// Calls `visit` with the number and /proc folder of every process of this
// user.
template <class Visit>
void ForEachOwnProcess(Visit visit) {
    DIR* proc = opendir("/proc");
    if (proc == nullptr) {
        return;
    }
    const uid_t me = getuid();
    while (const dirent* entry = readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0') {
            continue;
        }
        const std::string dir = std::string("/proc/") + entry->d_name;
        struct stat st {};
        if (stat(dir.c_str(), &st) == 0 && st.st_uid == me) {
            visit(int(pid), dir);
        }
    }
    closedir(proc);
}

}  // namespace

std::vector<int> ProcessesWorkingIn(std::string_view folderName) {
    std::vector<int> pids;
    ForEachOwnProcess([&](int pid, const std::string& dir) {
        char cwd[4096];
        const ssize_t n = readlink((dir + "/cwd").c_str(), cwd, sizeof cwd);
        if (n <= 0 || size_t(n) >= sizeof cwd) {
            return;
        }
        const std::string_view path(cwd, size_t(n));
        if (path.substr(path.rfind('/') + 1) == folderName) {
            pids.push_back(pid);
        }
    });
    return pids;
}

std::vector<int> ProcessesWithEnvironment(std::string_view entry) {
    std::vector<int> pids;
    ForEachOwnProcess([&](int pid, const std::string& dir) {
        std::ifstream in(dir + "/environ", std::ios::binary);
        for (std::string variable; std::getline(in, variable, '\0');) {
            if (variable == entry) {
                pids.push_back(pid);
                return;
            }
        }
    });
    return pids;
}
