#include "handoff/LauncherDownload.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <string_view>

#include "platform/HttpGet.h"
#include "platform/Sha256.h"
#include "platform/TextCodec.h"

namespace {

std::string ErrorText(int error) {
    char buf[256];
    return strerror_r(error, buf, sizeof buf);
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data.remove_prefix(size_t(n));
    }
    return true;
}

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// The name of the temporary file, up to mkostemp's six random characters.
std::string PartFilePrefix(const std::string& launcherPath) {
    return "." + FileNameOf(launcherPath) + ".part-";
}

bool IsPartFileName(const std::string& name, const std::string& prefix) {
    if (name.size() != prefix.size() + 6 || !name.starts_with(prefix)) {
        return false;
    }
    for (size_t i = prefix.size(); i < name.size(); ++i) {
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) {
            return false;
        }
    }
    return true;
}

// The temporary file the body is written to, removed unless it was renamed
// into place.
class CPartFile {
public:
    explicit CPartFile(const std::string& finalPath) : m_finalPath(finalPath) {}
    ~CPartFile() {
        if (m_fd >= 0) {
            close(m_fd);
        }
        if (!m_path.empty()) {
            unlink(m_path.c_str());
        }
    }

    // Each returns false with `error` set.
    bool Append(std::string_view data) {
        if (m_fd < 0 && !Create()) {
            return false;
        }
        if (!WriteAll(m_fd, data)) {
            m_error = errno;
            return false;
        }
        m_written += data.size();
        // Start writing back what has arrived so far, so that the sync before
        // the rename finds little left to do.
        if (m_written - m_flushed >= kWritebackStep) {
            sync_file_range(m_fd, off64_t(m_flushed), off64_t(m_written - m_flushed),
                            SYNC_FILE_RANGE_WRITE);
            m_flushed = m_written;
        }
        return true;
    }

    bool Commit() {
        if (fchmod(m_fd, 0755) != 0 || fsync(m_fd) != 0) {
            m_error = errno;
            return false;
        }
        const int fd = m_fd;
        m_fd = -1;
        if (close(fd) != 0 || rename(m_path.c_str(), m_finalPath.c_str()) != 0) {
            m_error = errno;
            return false;
        }
        m_path.clear();
        // The rename itself is only durable once the directory is synced.
        const int dir = open(DirectoryOf(m_finalPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            fsync(dir);
            close(dir);
        }
        return true;
    }

    int Error() const { return m_error; }

private:
    bool Create() {
        std::string pattern = DirectoryOf(m_finalPath) + "/" + PartFilePrefix(m_finalPath) + "XXXXXX";
        m_fd = mkostemp(pattern.data(), O_CLOEXEC);
        if (m_fd < 0) {
            m_error = errno;
            return false;
        }
        m_path = pattern;
        return true;
    }

    static constexpr uint64_t kWritebackStep = 8 << 20;

    std::string m_finalPath;
    std::string m_path;
    uint64_t m_written = 0;
    uint64_t m_flushed = 0;
    int m_fd = -1;
    int m_error = 0;
};

DownloadOutcome Failure(std::u16string message, std::string detail) {
    return {DownloadOutcome::Kind::Failed, std::move(message), std::move(detail)};
}

DownloadOutcome FileFailure(const std::string& path, int error) {
    const std::string text = ErrorText(error);
    return Failure(u"无法保存游戏启动器 " + Widen(path) + u"：" + Widen(text) + u"。",
                   path + ": " + text);
}

std::string Lower(std::string s) {
    for (char& c : s) {
        c = char(std::tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

}  // namespace

DownloadOutcome DownloadLauncher(const LauncherSource& source, const std::string& launcherPath,
                                 TransferProgress& progress) {
    CPartFile part(launcherPath);
    CSha256 digest;
    const bool checked = !source.sha256.empty();
    const HttpGetResult got = HttpGet(
        source.url, source.userAgent,
        [&](std::string_view piece) {
            if (checked) {
                digest.Update(piece);
            }
            return part.Append(piece);
        },
        progress);

    using Outcome = HttpGetResult::Outcome;
    switch (got.outcome) {
        case Outcome::OtherStatus:
            return {DownloadOutcome::Kind::NotOffered,
                    u"服务器暂时无法提供游戏启动器（HTTP " + Widen(std::to_string(got.status)) +
                        u"）。请稍后重新登录。",
                    "HTTP status " + std::to_string(got.status)};
        case Outcome::Cancelled:
            return {DownloadOutcome::Kind::Cancelled, {}, "cancelled"};
        case Outcome::SinkFailed:
            return FileFailure(launcherPath, part.Error());
        case Outcome::TransferFailed:
            return Failure(u"下载游戏启动器失败，请检查网络连接后重新登录。\n" + Widen(got.error),
                           got.error);
        case Outcome::Complete:
            break;
    }
    if (got.bytes == 0) {
        return Failure(u"服务器提供的游戏启动器是空文件，请稍后重新登录。", "empty body");
    }
    if (checked && Lower(source.sha256) != digest.HexDigest()) {
        return Failure(u"下载的游戏启动器未通过校验，已被丢弃。请稍后重新登录。",
                       "SHA-256 " + digest.HexDigest() + " differs from the expected one");
    }
    if (!part.Commit()) {
        return FileFailure(launcherPath, part.Error());
    }
    return {DownloadOutcome::Kind::Saved, {}, {}};
}

void RemoveStalePartFiles(const std::string& launcherPath, std::chrono::seconds olderThan) {
    const std::string prefix = PartFilePrefix(launcherPath);
    DIR* dir = opendir(DirectoryOf(launcherPath).c_str());
    if (dir == nullptr) {
        return;
    }
    const time_t before = time(nullptr) - time_t(olderThan.count());
    while (const dirent* entry = readdir(dir)) {
        struct stat st {};
        if (IsPartFileName(entry->d_name, prefix) &&
            fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == geteuid() && st.st_mtime < before) {
            unlinkat(dirfd(dir), entry->d_name, 0);
        }
    }
    closedir(dir);
}
