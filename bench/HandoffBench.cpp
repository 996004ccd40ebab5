// Measures the game hand-off beside a reference run in the same process, for
// bench/run.sh, which starts the loopback server and prints the table:
//
//   handoff-bench download <url> <work dir> <runs> [signing key]
//       fetches the game launcher through DownloadLauncher and with curl,
//       alternately, each in a fresh process started and waited for the same
//       way; prints "<our median s> <curl median s> <curl and sync median s>
//       <our largest peak memory growth in bytes>". With a signing key, ours
//       also fetches and checks the signature.
//   handoff-bench ours <url> <work dir> <runs> [signing key]
//       our fetches alone; prints "<our median s>".
//   handoff-bench handoff <fake launcher> <work dir> <runs>
//       runs the hand-off with the launcher present and a bare posix_spawn of
//       it with the same arguments, alternately; prints "<our median s>
//       <posix_spawn median s>".
//   handoff-bench fetch <url> <launcher path> [signing key]
//       one DownloadLauncher in this process, under the download window;
//       prints its peak memory growth in bytes and its time in seconds, from
//       the start of the download (the program is running by then). The
//       download benchmarks run this for each of our fetches.

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "handoff/HandoffSequence.h"
#include "handoff/LauncherDownload.h"
#include "handoff/LauncherFetch.h"
#include "platform/ProcessStart.h"
#include "platform/ProgramWindows.h"
#include "platform/TextCodec.h"
#ifdef BENCH_DOWNLOAD_WINDOW
#include "platform/Desktop.h"
#include "ui/ProgramWindows.h"
#else
#include "tests/support/FakePlatform.h"
#endif

extern char** environ;

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// The windows the hand-off shows itself in: the program's own, or the
// recording fake.
IProgramWindows& Windows() {
#ifdef BENCH_DOWNLOAD_WINDOW
    static CProgramWindows windows;
    return windows;
#else
    return Fake();
#endif
}

constexpr char16_t kLaunchArgs[] = u" ,id^u1,auth_key^t&s&o&x";
constexpr int kQuitCode = 16;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "handoff-bench: %s\n", what.c_str());
    std::exit(1);
}

// A "Name:   1234 kB" line of /proc/self/status, in bytes.
uint64_t StatusBytes(const std::string& name) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.compare(0, name.size() + 1, name + ":") == 0) {
            return std::stoull(line.substr(name.size() + 1)) * 1024;
        }
    }
    Fail("no " + name + " in /proc/self/status");
}

std::vector<char*> Argv(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    return argv;
}

int Reap(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) < 0) {
        Fail("waitpid failed");
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

struct ChildRun {
    double seconds = 0;
    int exitCode = 0;
    std::string output;
};

// Starts `args` (looked up in PATH), collects what it prints and waits for it.
// The time runs from the start to the end of the wait, so that our fetch and
// curl's both pay for a process of their own.
ChildRun RunTimed(const std::vector<std::string>& args) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        Fail("pipe2 failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::vector<char*> argv = Argv(args);

    ChildRun run;
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        Fail("cannot start " + args[0]);
    }
    char buf[256];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) != 0;) {
        if (n > 0) {
            run.output.append(buf, size_t(n));
        } else if (errno != EINTR) {
            break;
        }
    }
    close(out[0]);
    run.exitCode = Reap(pid);
    run.seconds = SecondsSince(start);
    return run;
}

int Fetch(const std::string& url, const std::string& path, const std::string& signingKey) {
    // Lowering the high-water mark to what is resident now keeps this
    // process's own start out of the peak. Where the kernel refuses, the
    // figure includes it and is an upper bound.
    if (!(std::ofstream("/proc/self/clear_refs") << "5" << std::flush)) {
        std::fputs("handoff-bench: cannot reset VmHWM; the growth is an upper bound\n", stderr);
    }
    const uint64_t before = StatusBytes("VmRSS");
    const Clock::time_point start = Clock::now();
    TransferProgress progress;
    DownloadOutcome outcome;
    Windows().RunWithProgressWindow(u"正在下载游戏启动器", progress, [&] {
        outcome = DownloadLauncher(
            {.url = url, .userAgent = "handoff-bench", .signingKey = signingKey}, path, progress);
    });
    const uint64_t peak = StatusBytes("VmHWM");
    if (outcome.kind != DownloadOutcome::Kind::Saved) {
        Fail("the download did not save the launcher: " + outcome.detail);
    }
    std::printf("%llu %.6f\n", static_cast<unsigned long long>(peak > before ? peak - before : 0),
                SecondsSince(start));
    return 0;
}

struct OurFetch {
    uint64_t growth = 0;  // peak memory growth, bytes
    double seconds = 0;   // from the start of the download
};

// One of our fetches, in a fresh process under the download window.
OurFetch FetchInChild(const std::string& url, const std::string& path,
                      const std::string& signingKey) {
    const ChildRun run = RunTimed({"/proc/self/exe", "fetch", url, path, signingKey});
    if (run.exitCode != 0) {
        Fail("our fetch failed");
    }
    // Timed from the click on, as a player waits: the program is already
    // running with its windows when a download starts.
    OurFetch fetch;
    std::istringstream(run.output) >> fetch.growth >> fetch.seconds;
    return fetch;
}

int Download(const std::string& url, const std::string& dir, int runs,
             const std::string& signingKey) {
    const std::string ours = dir + "/ours/" + kLauncherFileName;
    const std::string theirs = dir + "/curl/" + kLauncherFileName;
    fs::create_directories(dir + "/ours");
    fs::create_directories(dir + "/curl");

    std::vector<double> ourSeconds;
    std::vector<double> curlSeconds;
    std::vector<double> syncedSeconds;
    uint64_t growth = 0;
    // Ours syncs the file before renaming it into place; plain curl -o does
    // not, so curl is also timed with a sync of its file, the like-for-like
    // reference.
    const std::vector<std::vector<std::string>> references = {
        {"curl", "-s", "--max-time", "600", "-o", theirs, url},
        {"sh", "-c", "curl -s --max-time 600 -o \"$0\" \"$1\" && sync \"$0\"", theirs, url},
    };
    for (int i = 0; i < runs; ++i) {
        // Every fetch starts from a missing file and no dirty pages left
        // over from the one before, and who goes first rotates.
        for (int turn = 0; turn < 3; ++turn) {
            const int who = (i + turn) % 3;
            fs::remove(who == 0 ? ours : theirs);
            sync();
            if (who == 0) {
                const OurFetch fetch = FetchInChild(url, ours, signingKey);
                ourSeconds.push_back(fetch.seconds);
                growth = std::max(growth, fetch.growth);
            } else {
                const ChildRun run = RunTimed(references[size_t(who - 1)]);
                if (run.exitCode != 0) {
                    Fail("curl failed with " + std::to_string(run.exitCode));
                }
                (who == 1 ? curlSeconds : syncedSeconds).push_back(run.seconds);
            }
        }
        if (fs::file_size(ours) != fs::file_size(theirs)) {
            Fail("our file and curl's differ in size");
        }
        std::fprintf(stderr, "download run %d: ours %.3f s, curl %.3f s, curl and sync %.3f s\n",
                     i + 1, ourSeconds.back(), curlSeconds.back(), syncedSeconds.back());
    }
    std::printf("%.6f %.6f %.6f %llu\n", Median(ourSeconds), Median(curlSeconds),
                Median(syncedSeconds), static_cast<unsigned long long>(growth));
    return 0;
}

int OursAlone(const std::string& url, const std::string& dir, int runs,
              const std::string& signingKey) {
    const std::string ours = dir + "/" + kLauncherFileName;
    fs::create_directories(dir);
    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i) {
        fs::remove(ours);
        sync();
        seconds.push_back(FetchInChild(url, ours, signingKey).seconds);
        std::fprintf(stderr, "fetch run %d: %.3f s\n", i + 1, seconds.back());
    }
    std::printf("%.6f\n", Median(seconds));
    return 0;
}

#ifndef BENCH_DOWNLOAD_WINDOW
// The recording stand-in of the platform's windows says whether the
// hand-off asked to quit; the window build has the real ones.
std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

int Handoff(const std::string& fakeLauncher, const std::string& dir, int runs) {
    const std::string launcher = dir + "/" + kLauncherFileName;
    const std::string record = dir + "/record";
    fs::copy_file(fakeLauncher, launcher, fs::copy_options::overwrite_existing);
    fs::permissions(launcher, fs::perms::owner_all);
    setenv("FAKE_LAUNCHER_RECORD", record.c_str(), 1);

    // The launcher is there, so the address is never asked; it points at a
    // closed loopback port all the same.
    std::string stored;
    const CHandoffSequence handoff{
        [&](const std::u16string& text) { stored = Narrow(text); },
        [&] {
            CLauncherFetch(Fake(), dir,
                           {.url = "http://127.0.0.1:1" + std::string(kLauncherUrlPath),
                            .userAgent = "handoff-bench"})
                .FetchAndStartLauncher(stored);
        },
        // There is no login window to disconnect.
        {}};
    std::vector<std::string> args = SplitArguments(Narrow(kLaunchArgs));
    args.insert(args.begin(), launcher);
    std::vector<char*> argv = Argv(args);

    // The first few warm the caches and check that both start the launcher
    // the same way; they are not counted.
    constexpr int kWarmUp = 5;
    std::vector<double> ourSeconds;
    std::vector<double> spawnSeconds;
    for (int i = -kWarmUp; i < runs; ++i) {
        fs::remove(record);
        Fake().Reset();
        Clock::time_point start = Clock::now();
        handoff.Run(kLaunchArgs);
        const double ours = SecondsSince(start);
        if (!Fake().messages.empty() || Fake().quitCodes != std::vector<int>{kQuitCode}) {
            Fail("the hand-off did not start the launcher");
        }
        // The launcher is our only child.
        if (Reap(-1) != 0) {
            Fail("the launcher started by the hand-off failed");
        }
        const std::string ourRecord = ReadFile(record);

        fs::remove(record);
        pid_t pid = 0;
        start = Clock::now();
        const int rc = posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
        const double spawn = SecondsSince(start);
        if (rc != 0 || Reap(pid) != 0) {
            Fail("the bare spawn of the launcher failed");
        }
        if (i < 0) {
            if (ReadFile(record) != ourRecord) {
                Fail("the hand-off and the bare spawn started the launcher differently");
            }
            continue;
        }
        ourSeconds.push_back(ours);
        spawnSeconds.push_back(spawn);
    }
    std::printf("%.9f %.9f\n", Median(ourSeconds), Median(spawnSeconds));
    return 0;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    // As the program does: narrow text follows the environment's locale.
    std::setlocale(LC_ALL, "");
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto runs = [&] { return std::max(1, std::atoi(args[3].c_str())); };
    const auto key = [&](size_t at) { return args.size() > at ? args[at] : std::string(); };
    if ((args.size() == 3 || args.size() == 4) && args[0] == "fetch") {
#ifdef BENCH_DOWNLOAD_WINDOW
        if (!OpenDesktop("handoff-bench", "handoff-bench")) {
            Fail("no display for the download window");
        }
#endif
        return Fetch(args[1], args[2], key(3));
    }
    if ((args.size() == 4 || args.size() == 5) && args[0] == "download") {
        return Download(args[1], args[2], runs(), key(4));
    }
    if ((args.size() == 4 || args.size() == 5) && args[0] == "ours") {
        return OursAlone(args[1], args[2], runs(), key(4));
    }
#ifndef BENCH_DOWNLOAD_WINDOW
    if (args.size() == 4 && args[0] == "handoff") {
        return Handoff(args[1], args[2], runs());
    }
#endif
    std::fprintf(stderr,
                 "usage: %s download <url> <work dir> <runs> [signing key]\n"
                 "       %s ours <url> <work dir> <runs> [signing key]\n"
                 "       %s handoff <fake launcher> <work dir> <runs>\n"
                 "       %s fetch <url> <launcher path> [signing key]\n",
                 argv[0], argv[0], argv[0], argv[0]);
    return 2;
}
