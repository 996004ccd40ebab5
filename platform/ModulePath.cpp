#include "platform/ModulePath.h"

#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

#include "platform/TextCodec.h"

namespace {

// The kernel's own record of the program file, read with a buffer that grows
// until the whole path fits.
std::string ReadModulePath() {
    std::string buf(256, '\0');
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) {
            throw std::system_error(errno, std::generic_category(), "readlink /proc/self/exe");
        }
        if (size_t(n) < buf.size()) {
            buf.resize(size_t(n));
            return buf;
        }
        buf.resize(buf.size() * 2);
    }
}

}  // namespace

std::string ModuleDirFromPath(std::string_view programPath) {
    const size_t slash = programPath.rfind('/');
    return slash == std::string_view::npos ? std::string()
                                           : std::string(programPath.substr(0, slash));
}

std::string GetModuleDirNative() {
    return ModuleDirFromPath(ReadModulePath());
}

std::u16string GetModuleDir() {
    return Widen(GetModuleDirNative());
}

std::string GetModuleBaseName() {
    const std::string path = ReadModulePath();
    std::string name = path.substr(path.rfind('/') + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) {
        name.resize(dot);
    }
    return name;
}
