#include "handoff/WinePrefix.h"

#include <dirent.h>
#include <ftw.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

#include "platform/PrivateDirectory.h"
#include "platform/ProcessStart.h"

namespace {

// How often a running wineboot is looked at for its end or a cancel.
constexpr auto kPollInterval = std::chrono::milliseconds(50);
// A failed run that leaves less room than this ran out of it.
constexpr unsigned long long kNearlyFullBytes = 64ull << 20;
// How long a killed server may take to go.
constexpr auto kServerStopLimit = std::chrono::seconds(5);

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW* walk) {
    // The prefix's own folder stays: it may be one the player named.
    if (walk->level > 0 && remove(path) != 0) {
        std::fprintf(stderr, "login-launcher: cannot remove %s\n", path);
    }
    return 0;
}

// Takes away everything below `path` and, unless `keepRoot`, `path` itself,
// never following a link and never leaving its file system.
void RemoveTree(const std::string& path, bool keepRoot) {
    nftw(path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS | FTW_MOUNT);
    if (!keepRoot) {
        rmdir(path.c_str());
    }
}

// Debian's Wine keeps a prefix's server socket in a folder of its own under
// the temporary folder, named in the prefix's file "wineserver", and leaves
// it there: the folder of a prefix that is taken away goes with it. Upstream
// Wine's folder, /tmp/.wine-<uid>, serves every prefix and stays.
std::string DebianServerFolder(const std::string& prefix) {
    std::ifstream file(prefix + "/wineserver");
    std::string name;
    std::getline(file, name);
    if (!name.starts_with("wine-") || name.find('/') != std::string::npos) {
        return {};
    }
    const char* tmp = std::getenv("TMPDIR");
    const std::string folder =
        std::string(tmp != nullptr && *tmp == '/' ? tmp : "/tmp") + "/" + name;
    struct stat st {};
    const bool ours =
        lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid();
    return ours ? folder : std::string();
}

}  // namespace

CWinePrefix::EFolder CWinePrefix::PrepareFolder() const {
    if (!m_strPath.starts_with('/')) {
        return EFolder::NotAbsolute;
    }
    if (!MakePrivateDirectory(m_strPath)) {
        return EFolder::NotPrivate;
    }
    struct statvfs fs {};
    if (access(m_strPath.c_str(), W_OK) != 0 ||
        (statvfs(m_strPath.c_str(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0)) {
        return EFolder::ReadOnly;
    }
    return EFolder::Usable;
}

bool CWinePrefix::IsMade() const {
    // Wine writes the time stamp once the prefix is complete.
    return Exists(m_strPath + "/.update-timestamp") && IsDirectory(m_strPath + "/drive_c/windows");
}

CWinePrefix::ESupport CWinePrefix::Supports(EProgramKind kind) const {
    const std::string windows = m_strPath + "/drive_c/windows";
    const bool is64Bit = IsDirectory(windows + "/syswow64");
    if (kind == EProgramKind::Windows32 && is64Bit && !Exists(windows + "/syswow64/kernel32.dll")) {
        return ESupport::No32Bit;
    }
    if (kind == EProgramKind::Windows64 && !is64Bit && IsDirectory(windows + "/system32")) {
        return ESupport::No64Bit;
    }
    return ESupport::Supported;
}

CWinePrefix::MakeResult CWinePrefix::Make(const std::vector<std::string>& runnerArgv,
                                          const std::vector<std::string>& environment,
                                          const std::atomic<bool>& cancel) const {
    const bool wasEmpty = IsEmpty();
    const SpawnResult spawned = SpawnProcess({runnerArgv, environment, true});
    if (spawned.pid <= 0) {
        return {.kind = EMade::Failed, .spawnError = spawned.error};
    }
    MakeResult result;
    for (;;) {
        if (cancel) {
            KillSession(spawned.pid);
            result.kind = EMade::Cancelled;
            break;
        }
        if (const auto code = WaitForExit(spawned.pid, kPollInterval)) {
            result.exitCode = *code;
            result.kind = *code == 0 && IsMade() ? EMade::Made : EMade::Failed;
            break;
        }
    }
    if (result.kind != EMade::Made) {
        struct statvfs fs {};
        result.diskFull = result.kind == EMade::Failed && statvfs(m_strPath.c_str(), &fs) == 0 &&
                          (unsigned long long)fs.f_bavail * fs.f_frsize < kNearlyFullBytes;
        StopServer();
        if (wasEmpty) {
            Empty();
        }
    }
    return result;
}

std::string CWinePrefix::ServerFolderName() const {
    struct stat st {};
    if (stat(m_strPath.c_str(), &st) != 0) {
        return {};
    }
    // As Wine names it, after the prefix folder's device and inode.
    char name[64];
    std::snprintf(name, sizeof name, "server-%llx-%llx", (unsigned long long)st.st_dev,
                  (unsigned long long)st.st_ino);
    return name;
}

bool CWinePrefix::IsServerRunning() const {
    const std::string name = ServerFolderName();
    return !name.empty() && !ProcessesWorkingIn(name).empty();
}

bool CWinePrefix::IsEmpty() const {
    DIR* dir = opendir(m_strPath.c_str());
    if (dir == nullptr) {
        return false;  // nothing we cannot see is ever taken away
    }
    bool empty = true;
    while (const dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            empty = false;
            break;
        }
    }
    closedir(dir);
    return empty;
}

void CWinePrefix::StopServer() const {
    const std::string name = ServerFolderName();
    if (name.empty()) {
        return;
    }
    // An interrupt asks a Wine server to end every program of its prefix,
    // then itself, as `wineserver -k` does; one that does not, is killed.
    int signal = SIGINT;
    const auto deadline = std::chrono::steady_clock::now() + kServerStopLimit;
    for (std::vector<int> servers = ProcessesWorkingIn(name); !servers.empty();
         servers = ProcessesWorkingIn(name)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            signal = SIGKILL;
        }
        for (const int pid : servers) {
            kill(pid, signal);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    // Programs of the prefix that lost their server wait for it for ever.
    for (const int pid : ProcessesWithEnvironment("WINEPREFIX=" + m_strPath)) {
        kill(pid, SIGKILL);
    }
}

void CWinePrefix::Empty() const {
    if (const std::string server = DebianServerFolder(m_strPath); !server.empty()) {
        RemoveTree(server, false);
    }
    RemoveTree(m_strPath, true);
}
