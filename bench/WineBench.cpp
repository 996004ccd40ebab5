// Measures starting a Windows game launcher through Wine beside Wine's own
// commands, run in the environment ours gives Wine, for bench/wine-bench.sh,
// which gives it a private X server and a work folder, and prints the table:
//
//   wine-bench warm <helper dir> <probe dir> <work dir> <runs>
//       makes a prefix in the work folder by a first hand-off, keeps its Wine
//       server running (as in a player's second start, while the first
//       game launcher or its lingering server still runs), then hands off to
//       the Windows probe as the game launcher (32- and 64-bit), and starts
//       `wine <probe>` directly, the four taking turns `runs` times after a
//       warm-up. Each is timed from the moment the start is asked for to the
//       probe's first instruction (the "started=" stamp of its record). Prints
//       a line per bitness: "<bits> <our median> <lower quartile> <upper
//       quartile> <direct median> <lower quartile> <upper quartile>", seconds.
//   wine-bench prefix <helper dir> <probe dir> <work dir> <runs>
//       makes a fresh prefix through CWineStart (the first hand-off, up to the
//       moment the prefix is ready and the launcher's start begins), and
//       runs `wine wineboot -i` alone into another fresh prefix, taking turns
//       `runs` times. Prints "<our median> <fastest> <slowest> <wineboot
//       median> <fastest> <slowest>", seconds.
//
// Every prefix is a folder of the work folder; its server is stopped with
// `wineserver -k` and the prefix removed as soon as it has served. This
// process's own environment holds no WINEPREFIX: only the Wine processes it
// starts do, which is how those left running are told apart from others'.

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "handoff/HandoffSequence.h"
#include "handoff/LauncherFetch.h"
#include "handoff/WinePrefix.h"
#include "handoff/WineRunner.h"
#include "handoff/WineStart.h"
#include "platform/ProcessStart.h"
#include "platform/TextCodec.h"
#include "tests/support/FakePlatform.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

constexpr char16_t kLaunchArgs[] = u" ,id^u1,auth_key^t&s&o&x";
constexpr int kQuitCode = 16;
constexpr char16_t kStartingTitle[] = u"正在启动游戏…";
// Uncounted starts of each kind once the server runs: the session's own
// programs (services, the desktop) start with the first, and the file cache
// fills.
constexpr int kWarmUp = 2;
// How long the probe may take to write its record, and a server to end.
constexpr auto kProbeLimit = std::chrono::seconds(60);
constexpr auto kServerLimit = std::chrono::seconds(20);
// A pause after each start, once its programs have ended, so that what the
// server and the desktop still do for it is not paid by the next one.
constexpr auto kSettle = std::chrono::milliseconds(150);

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "wine-bench: %s\n", what.c_str());
    std::exit(1);
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The probe stamps its start in Unix time (Wine reads the same clock), so
// the start is asked for at a Unix time too.
long long UnixNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

double Quantile(std::vector<double> values, double q) {
    std::sort(values.begin(), values.end());
    const double at = q * double(values.size() - 1);
    const size_t below = size_t(at);
    const size_t above = std::min(below + 1, values.size() - 1);
    return values[below] + (at - double(below)) * (values[above] - values[below]);
}

std::string ProbeName(EProgramKind kind) {
    return kind == EProgramKind::Windows32 ? "wine-probe-32.exe" : "wine-probe-64.exe";
}

const char* Bits(EProgramKind kind) {
    return kind == EProgramKind::Windows32 ? "32" : "64";
}

// The environment CWineStart runs Wine in, for the references too, so that
// ours and a reference differ only in how Wine is started: no debugging
// output, no menu entries, the Chinese locale; for making the prefix, no
// offer to install Gecko or Mono and no display (nor Wine's window on it).
std::vector<std::string> DirectEnvironment(const std::string& runner, const std::string& prefix,
                                           bool preparing) {
    return RunnerEnvironment(WineRunner{runner}, prefix, ChineseLocale(), preparing);
}

// `wine` on PATH, as CWineStart finds it when THARNVALE_WINE is not set.
std::string Runner() {
    const char* path = std::getenv("PATH");
    std::string runner = FindProgram("wine", path == nullptr ? "" : path);
    if (runner.empty()) {
        Fail("no wine on PATH");
    }
    // Without it, Wine would run under another code page than a player's.
    if (ChineseLocale().empty()) {
        Fail("the locale zh_CN.UTF-8 is not generated here");
    }
    return runner;
}

// Starts `argv` (argv[0] a path) with `environment` as ours starts Wine
// (SpawnProcess: default signal handling, only the three standard streams),
// whatever the script that runs us ignores or leaves open, and waits for its
// end; its exit code.
int Run(const std::vector<std::string>& argv, const std::vector<std::string>& environment) {
    const SpawnResult spawned = SpawnProcess({argv, environment});
    if (spawned.pid <= 0) {
        Fail("cannot start " + argv[0]);
    }
    return *WaitForExit(spawned.pid, std::chrono::hours(1));
}

// The processes of ours that hold `entry` in their environment and, when
// `named` is not empty, have it in their command line.
std::vector<int> Running(const std::string& entry, const std::string& named) {
    std::vector<int> pids;
    for (const int pid : ProcessesWithEnvironment(entry)) {
        std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
        const std::string line{std::istreambuf_iterator<char>(in), {}};
        if (named.empty() || line.find(named) != std::string::npos) {
            pids.push_back(pid);
        }
    }
    return pids;
}

// Waits until none of Running(entry, named) is left; kills what still is
// after `limit`, and says so. True when none had to be.
bool WaitForNone(const std::string& entry, const std::string& named, std::chrono::seconds limit) {
    const auto deadline = Clock::now() + limit;
    for (std::vector<int> pids = Running(entry, named); !pids.empty();
         pids = Running(entry, named)) {
        if (Clock::now() >= deadline) {
            for (const int pid : pids) {
                std::fprintf(stderr, "wine-bench: killing %d, still running with %s\n", pid,
                             entry.c_str());
                kill(pid, SIGKILL);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// Ends the prefix's server and every program in it, as a player would with
// `wineserver -k`, and waits until none of them runs.
void StopServer(const std::string& runner, const std::string& prefix) {
    const std::string server = fs::path(runner).parent_path() / "wineserver";
    // It fails when no server runs, which is as good.
    Run({server, "-k"}, DirectEnvironment(runner, prefix, false));
    if (!WaitForNone("WINEPREFIX=" + prefix, "", kServerLimit)) {
        Fail("the Wine programs of " + prefix + " did not end with their server");
    }
}

// The probe's start, once its record is complete and the probe has ended.
// Only the probe is waited for: the session's own programs (services, the
// desktop) that its start or the prefix's making started hold its record's
// name in their environment too, and stay.
long long WaitForProbe(const std::string& record) {
    const auto deadline = Clock::now() + kProbeLimit;
    long long stamp = 0;
    for (;;) {
        std::ifstream in(record);
        std::string line;
        if (std::getline(in, line) && line.starts_with("started=")) {
            stamp = std::stoll(line.substr(8));
            break;
        }
        if (Clock::now() >= deadline) {
            Fail("the probe wrote no record to " + record);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (!WaitForNone("PROBE_RECORD=" + record, kLauncherFileName, std::chrono::seconds(30))) {
        Fail("the probe did not end");
    }
    std::this_thread::sleep_for(kSettle);
    return stamp;
}

// The seconds from `asked` (Unix ns) to the probe's first instruction.
double ProbeDelay(const std::string& record, long long asked) {
    return double(WaitForProbe(record) - asked) / 1e9;
}

WineSettings BenchSettings(const std::string& helperDir, const std::string& prefix) {
    WineSettings settings;
    settings.prefix = prefix;
    settings.helperDir = helperDir;
    const char* path = std::getenv("PATH");
    settings.searchPath = path == nullptr ? "" : path;
    return settings;
}

// The probe as the game launcher, under the name the program gives it, in a
// folder of its own.
std::string PutLauncher(const std::string& probeDir, const fs::path& dir, EProgramKind kind) {
    fs::create_directories(dir);
    const fs::path launcher = dir / kLauncherFileName;
    fs::copy_file(fs::path(probeDir) / ProbeName(kind), launcher,
                  fs::copy_options::overwrite_existing);
    return launcher.string();
}

class CRecords {
public:
    explicit CRecords(fs::path dir) : m_dir(std::move(dir)) {}

    // A record path not used before, set as PROBE_RECORD for the next start.
    std::string Next() {
        std::string path = (m_dir / ("record-" + std::to_string(++m_count))).string();
        setenv("PROBE_RECORD", path.c_str(), 1);
        return path;
    }

private:
    fs::path m_dir;
    int m_count = 0;
};

struct OurStart {
    double toProbe = 0;   // seconds to the probe's first instruction
    double toReturn = 0;  // seconds until the hand-off returned: the helper has ended
};

// Our hand-off, as the login page's result arrives with the launcher
// present: the same sequence and fetch the program runs, the recording
// stand-in in place of its windows.
OurStart OurHandoff(const WineSettings& settings, const std::string& launcherDir,
                    CRecords& records) {
    const std::string record = records.Next();
    Fake().Reset();
    std::string stored;
    const CHandoffSequence handoff{
        [&](const std::u16string& text) { stored = Narrow(text); },
        [&] {
            // The launcher is there, so the address is never asked; it
            // points at a closed loopback port all the same.
            CLauncherFetch(Fake(), launcherDir,
                           {.url = "http://127.0.0.1:1" + std::string(kLauncherUrlPath),
                            .userAgent = "wine-bench"},
                           settings)
                .FetchAndStartLauncher(stored);
        },
        {}};
    const long long asked = UnixNanoseconds();
    handoff.Run(kLaunchArgs);
    const long long returned = UnixNanoseconds();
    if (!Fake().messages.empty() || Fake().quitCodes != std::vector<int>{kQuitCode}) {
        Fail("the hand-off did not start the launcher under Wine" +
             (Fake().messages.empty() ? std::string()
                                      : ": " + Utf8FromWide(Fake().messages[0].text)));
    }
    return {ProbeDelay(record, asked), double(returned - asked) / 1e9};
}

// `wine <launcher>` with the launch arguments, started directly.
double DirectStart(const std::string& runner, const std::string& prefix,
                   const std::string& launcher, CRecords& records) {
    const std::string record = records.Next();
    std::vector<std::string> argv = SplitArguments(Narrow(kLaunchArgs));
    argv.insert(argv.begin(), {runner, launcher});
    const std::vector<std::string> environment = DirectEnvironment(runner, prefix, false);
    const long long asked = UnixNanoseconds();
    if (Run(argv, environment) != 0) {
        Fail("wine " + launcher + " failed");
    }
    return ProbeDelay(record, asked);
}

int Warm(const std::string& helperDir, const std::string& probeDir, const fs::path& work,
         int runs) {
    const std::string runner = Runner();
    const std::string prefix = (work / "prefix").string();
    const WineSettings settings = BenchSettings(helperDir, prefix);
    CRecords records(work);
    const EProgramKind kinds[] = {EProgramKind::Windows32, EProgramKind::Windows64};
    std::string launcherDirs[2];
    std::string launchers[2];
    for (int k = 0; k < 2; ++k) {
        launcherDirs[k] = (work / Bits(kinds[k])).string();
        launchers[k] = PutLauncher(probeDir, launcherDirs[k], kinds[k]);
    }

    // The player's first start makes the prefix. Its server is stopped
    // then, so that one which stays can take its place.
    const Clock::time_point first = Clock::now();
    OurHandoff(settings, launcherDirs[1], records);
    std::fprintf(stderr, "warm: prefix made by the first hand-off in %.1f s\n",
                 SecondsSince(first));
    StopServer(runner, prefix);

    // A server that stays when its last program ends: every start below
    // finds the session running, as a player's second start does while the
    // game launcher or its server lingers.
    const std::string server = fs::path(runner).parent_path() / "wineserver";
    if (Run({server, "-p"}, DirectEnvironment(runner, prefix, false)) != 0) {
        Fail("wineserver -p failed");
    }

    std::vector<double> ours[2];
    std::vector<double> direct[2];
    std::vector<double> returned[2];
    for (int i = -kWarmUp; i < runs; ++i) {
        // Who goes first rotates, so that a busy moment of the machine falls
        // on all four alike.
        for (int turn = 0; turn < 4; ++turn) {
            const int which = (i + kWarmUp + turn) % 4;
            const int k = which / 2;
            if (which % 2 == 0) {
                const OurStart start = OurHandoff(settings, launcherDirs[k], records);
                if (i >= 0) {
                    ours[k].push_back(start.toProbe);
                    returned[k].push_back(start.toReturn);
                }
            } else {
                const double seconds = DirectStart(runner, prefix, launchers[k], records);
                if (i >= 0) {
                    direct[k].push_back(seconds);
                }
            }
        }
        if (i >= 0) {
            std::fprintf(stderr,
                         "warm run %d: 32-bit ours %.1f ms, wine %.1f ms; 64-bit ours %.1f ms, "
                         "wine %.1f ms\n",
                         i + 1, ours[0].back() * 1e3, direct[0].back() * 1e3, ours[1].back() * 1e3,
                         direct[1].back() * 1e3);
        }
    }
    StopServer(runner, prefix);
    fs::remove_all(prefix);

    for (int k = 0; k < 2; ++k) {
        // Where our time goes: the helper's start under Wine, and the
        // launcher's start that the helper asks of Wine.
        std::fprintf(stderr,
                     "warm: %s-bit hand-off returned (the helper ended) after %.1f ms, median\n",
                     Bits(kinds[k]), Quantile(returned[k], 0.5) * 1e3);
        std::printf("%s %.6f %.6f %.6f %.6f %.6f %.6f\n", Bits(kinds[k]), Quantile(ours[k], 0.5),
                    Quantile(ours[k], 0.25), Quantile(ours[k], 0.75), Quantile(direct[k], 0.5),
                    Quantile(direct[k], 0.25), Quantile(direct[k], 0.75));
    }
    return 0;
}

// A prefix's run is over: its server and programs end, the prefix goes, and
// what it wrote leaves the page cache's dirty list before the next run.
void Discard(const std::string& runner, const std::string& prefix) {
    StopServer(runner, prefix);
    fs::remove_all(prefix);
    sync();
}

// Our first hand-off into a fresh prefix, timed up to the moment the prefix
// is ready: when the window of the launcher's start opens.
double OurPreparation(const WineSettings& settings, const std::string& launcher,
                      CRecords& records) {
    const std::string record = records.Next();
    Fake().Reset();
    std::vector<Clock::time_point> opened;
    Fake().duringProgress = [&](TransferProgress&) { opened.push_back(Clock::now()); };
    const Clock::time_point asked = Clock::now();
    const WineStartResult result =
        CWineStart(Fake(), settings).Start(launcher, EProgramKind::Windows64, kLaunchArgs, 1);
    if (result.kind != WineStartResult::Kind::Started) {
        Fail("our first start failed: " + result.detail);
    }
    if (Fake().progressTitles.size() != 2 || Fake().progressTitles[1] != kStartingTitle ||
        opened.size() != 2) {
        Fail("our first start did not make the prefix before starting the launcher");
    }
    WaitForProbe(record);
    return std::chrono::duration<double>(opened[1] - asked).count();
}

// `wine wineboot -i` alone into a fresh prefix, timed to its end.
double WinebootAlone(const std::string& runner, const std::string& prefix) {
    // Ours makes the prefix's folder, private, before Wine runs; so does
    // this, so that both hand Wine the same empty folder.
    if (mkdir(prefix.c_str(), 0700) != 0) {
        Fail("cannot make " + prefix);
    }
    const std::vector<std::string> environment = DirectEnvironment(runner, prefix, true);
    const Clock::time_point asked = Clock::now();
    const int code = Run({runner, "wineboot", "-i"}, environment);
    const double seconds = SecondsSince(asked);
    if (code != 0 || !CWinePrefix(prefix).IsMade()) {
        Fail("wine wineboot -i failed with " + std::to_string(code));
    }
    return seconds;
}

int Prefix(const std::string& helperDir, const std::string& probeDir, const fs::path& work,
           int runs) {
    const std::string runner = Runner();
    const std::string launcher = PutLauncher(probeDir, work / "launcher", EProgramKind::Windows64);
    CRecords records(work);
    std::vector<double> ours;
    std::vector<double> wineboot;
    for (int i = 0; i < runs; ++i) {
        for (int turn = 0; turn < 2; ++turn) {
            const std::string prefix =
                (work / ("prefix-" + std::to_string(i) + "-" + std::to_string(turn))).string();
            if ((i + turn) % 2 == 0) {
                ours.push_back(OurPreparation(BenchSettings(helperDir, prefix), launcher, records));
            } else {
                wineboot.push_back(WinebootAlone(runner, prefix));
            }
            Discard(runner, prefix);
        }
        std::fprintf(stderr, "prefix run %d: ours %.2f s, wine wineboot -i %.2f s\n", i + 1,
                     ours.back(), wineboot.back());
    }
    std::printf("%.6f %.6f %.6f %.6f %.6f %.6f\n", Quantile(ours, 0.5), Quantile(ours, 0),
                Quantile(ours, 1), Quantile(wineboot, 0.5), Quantile(wineboot, 0),
                Quantile(wineboot, 1));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // As the program does: narrow text follows the environment's locale.
    std::setlocale(LC_ALL, "");
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 5 && (args[0] == "warm" || args[0] == "prefix")) {
        const fs::path work = fs::absolute(args[3]);
        fs::create_directories(work);
        const int runs = std::max(1, std::atoi(args[4].c_str()));
        return args[0] == "warm" ? Warm(args[1], args[2], work, runs)
                                 : Prefix(args[1], args[2], work, runs);
    }
    std::fprintf(stderr,
                 "usage: %s warm <helper dir> <probe dir> <work dir> <runs>\n"
                 "       %s prefix <helper dir> <probe dir> <work dir> <runs>\n",
                 argv[0], argv[0]);
    return 2;
}
