#include "handoff/LoginLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

CLoginLog::CLoginLog()
    : m_fd(open("log.txt", O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600)) {}

CLoginLog::~CLoginLog() { Close(); }

void CLoginLog::WriteEntry(std::string_view text) {
    if (m_fd < 0) {
        return;
    }
    // One write per entry, so that with O_APPEND another writer of the same
    // file cannot land in the middle of it.
    std::string entry(text);
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
    }
}

void CLoginLog::Close() {
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
}
