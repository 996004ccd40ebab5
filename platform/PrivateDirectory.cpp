#include "platform/PrivateDirectory.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

bool MakePrivateDirectory(const std::string& path) {
    if (g_mkdir_with_parents(path.c_str(), 0700) != 0) {
        return false;
    }
    // Opened without following a link, so the checks and the change of mode
    // apply to the very directory the engine will be given.
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    const bool ok = fstat(fd, &st) == 0 && st.st_uid == geteuid() &&
                    ((st.st_mode & 07777) == 0700 || fchmod(fd, 0700) == 0);
    close(fd);
    return ok;
}
