#include "platform/ProcessStart.h"

#include <spawn.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

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
    std::vector<std::string> args = SplitArguments(argumentText);
    args.insert(args.begin(), programPath);
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);

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
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);

    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    return rc == 0 ? StartResult{true, 0} : StartResult{false, rc};
}
