#include "handoff/PartFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <ctime>

namespace {

// Written data is handed to the disk in steps this large, so that the sync
// before the rename finds little left to do.
constexpr uint64_t kWritebackStep = 8 << 20;

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

// The temporary file's name, up to mkostemp's six random characters.
std::string PartFilePrefix(const std::string& finalPath) {
    return "." + finalPath.substr(finalPath.rfind('/') + 1) + ".part-";
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

}  // namespace

CPartFile::CPartFile(std::string finalPath, bool digest)
    : m_finalPath(std::move(finalPath)), m_bDigest(digest) {}

CPartFile::~CPartFile() {
    if (m_map != nullptr) {
        munmap(m_map, m_written);
    }
    if (m_fd >= 0) {
        close(m_fd);
    }
    if (!m_path.empty()) {
        unlink(m_path.c_str());
    }
}

bool CPartFile::Append(std::string_view data) {
    if (m_fd < 0 && !Create()) {
        return false;
    }
    if (!WriteAll(m_fd, data)) {
        m_error = errno;
        return false;
    }
    if (m_bDigest) {
        m_digest.Update(data);
    }
    m_written += data.size();
    if (m_written - m_flushed >= kWritebackStep) {
        sync_file_range(m_fd, off64_t(m_flushed), off64_t(m_written - m_flushed),
                        SYNC_FILE_RANGE_WRITE);
        m_flushed = m_written;
    }
    return true;
}

bool CPartFile::Restart() {
    m_digest.Reset();
    m_written = m_flushed = 0;
    if (m_fd >= 0 && (ftruncate(m_fd, 0) != 0 || lseek(m_fd, 0, SEEK_SET) != 0)) {
        m_error = errno;
        return false;
    }
    return true;
}

std::string_view CPartFile::Map() {
    if (m_fd < 0 || m_written == 0) {
        return {};
    }
    if (m_map == nullptr) {
        void* map = mmap(nullptr, m_written, PROT_READ, MAP_PRIVATE, m_fd, 0);
        if (map == MAP_FAILED) {
            m_error = errno;
            return {};
        }
        m_map = map;
    }
    return {static_cast<const char*>(m_map), m_written};
}

bool CPartFile::Sync() {
    if (m_fd < 0 && !Create()) {
        return false;
    }
    if (fchmod(m_fd, 0755) != 0 || fsync(m_fd) != 0) {
        m_error = errno;
        return false;
    }
    return true;
}

bool CPartFile::Rename() {
    if (rename(m_path.c_str(), m_finalPath.c_str()) != 0) {
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

bool CPartFile::Create() {
    // mkostemp creates the file exclusively: a link planted under the name
    // it picks makes it pick again, it is never followed.
    std::string pattern = DirectoryOf(m_finalPath) + "/" + PartFilePrefix(m_finalPath) + "XXXXXX";
    m_fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (m_fd < 0) {
        m_error = errno;
        return false;
    }
    m_path = pattern;
    return true;
}

void RemoveStalePartFiles(const std::string& finalPath, std::chrono::seconds olderThan) {
    const std::string prefix = PartFilePrefix(finalPath);
    DIR* dir = opendir(DirectoryOf(finalPath).c_str());
    if (dir == nullptr) {
        return;
    }
    const time_t before = time(nullptr) - time_t(olderThan.count());
    while (const dirent* entry = readdir(dir)) {
        struct stat st {};
        if (IsPartFileName(entry->d_name, prefix) &&
            fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode) && st.st_uid == geteuid() && st.st_mtime < before) {
            unlinkat(dirfd(dir), entry->d_name, 0);
        }
    }
    closedir(dir);
}
