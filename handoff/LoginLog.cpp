#include "handoff/LoginLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace {

constexpr char kLogName[] = "log.txt";

// Bytes this run has written to the log, over every call.
size_t s_runBytes = 0;

int OpenLogFile() {
    // O_NONBLOCK: a pipe without a reader fails at once instead of waiting.
    const int fd =
        open(kLogName,
             O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    const bool usable = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid() &&
                        st.st_nlink == 1 && ((st.st_mode & 07777) == 0600 || fchmod(fd, 0600) == 0);
    if (!usable) {
        std::fprintf(stderr, "login-launcher: %s is not a plain file of this user's; not logging\n",
                     kLogName);
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

CLoginLog::CLoginLog() : m_fd(OpenLogFile()) {}

CLoginLog::~CLoginLog() {
    Close();
}

void CLoginLog::WriteEntry(std::string_view text) {
    if (m_fd < 0 || s_runBytes >= kMaxRunBytes) {
        return;
    }
    // One write per entry, so that with O_APPEND another writer of the same
    // file cannot land in the middle of it.
    std::string entry(text.substr(0, kMaxEntryBytes));
    if (text.size() > kMaxEntryBytes) {
        entry += " [cut: " + std::to_string(text.size() - kMaxEntryBytes) + " more bytes]";
    }
    entry.push_back('\n');
    const char* p = entry.data();
    size_t left = entry.size();
    while (left > 0) {
        const ssize_t n = write(m_fd, p, left);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        p += n;
        left -= size_t(n);
        s_runBytes += size_t(n);
    }
}

void CLoginLog::Close() {
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
}
