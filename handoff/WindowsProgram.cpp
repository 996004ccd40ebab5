#include "handoff/WindowsProgram.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>

namespace {

// The DOS header's field that holds the PE signature's offset.
constexpr size_t kSignatureOffsetField = 0x3C;
// No linker puts the signature further in; a larger offset is not a program.
constexpr size_t kLargestSignatureOffset = 1 << 20;
constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kMachineAmd64 = 0x8664;

uint32_t LittleEndian(std::string_view bytes, size_t at, size_t size) {
    uint32_t value = 0;
    for (size_t i = 0; i < size; ++i) {
        value |= uint32_t(uint8_t(bytes[at + i])) << (8 * i);
    }
    return value;
}

}  // namespace

size_t PeSignatureOffset(std::string_view header) {
    if (header.size() < kSignatureOffsetField + 4 || !header.starts_with("MZ")) {
        return 0;
    }
    const size_t offset = LittleEndian(header, kSignatureOffsetField, 4);
    // The signature lies past the DOS header's own fields.
    if (offset < kSignatureOffsetField + 4 || offset > kLargestSignatureOffset) {
        return 0;
    }
    return offset;
}

EProgramKind ProgramKindFromHeader(std::string_view header, std::string_view signature) {
    if (PeSignatureOffset(header) == 0 || signature.size() < 6 ||
        signature.substr(0, 4) != std::string_view("PE\0\0", 4)) {
        return EProgramKind::Other;
    }
    switch (LittleEndian(signature, 4, 2)) {
        case kMachineI386:
            return EProgramKind::Windows32;
        case kMachineAmd64:
            return EProgramKind::Windows64;
        default:
            return EProgramKind::Other;
    }
}

EProgramKind ReadProgramKind(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return EProgramKind::Other;
    }
    char header[kSignatureOffsetField + 4];
    char signature[6];
    const ssize_t headerSize = pread(fd, header, sizeof header, 0);
    const size_t offset =
        headerSize > 0 ? PeSignatureOffset(std::string_view(header, size_t(headerSize))) : 0;
    const ssize_t signatureSize =
        offset > 0 ? pread(fd, signature, sizeof signature, off_t(offset)) : 0;
    close(fd);
    if (offset == 0 || signatureSize != sizeof signature) {
        return EProgramKind::Other;
    }
    return ProgramKindFromHeader(std::string_view(header, sizeof header),
                                 std::string_view(signature, sizeof signature));
}
