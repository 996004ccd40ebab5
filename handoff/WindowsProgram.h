#pragma once

// Telling a Windows program from a native one by its file's header: a PE
// file (the "MZ" header, then the "PE\0\0" signature where it points) of a
// machine Wine runs on this computer.

#include <string>
#include <string_view>

enum class EProgramKind {
    Other,      // anything else, native programs included: started as it is
    Windows32,  // PE for i386
    Windows64,  // PE for AMD64
};

// `header` holds the file's first bytes (from offset 0), as many as the
// caller has; `signature` the six bytes at the offset the header names.
// Splitting the two lets the reader fetch only what it needs.
EProgramKind ProgramKindFromHeader(std::string_view header, std::string_view signature);

// The offset of the PE signature that a DOS header names; 0 when `header` is
// not one.
size_t PeSignatureOffset(std::string_view header);

// Reads the kind of the program at `path`; Other when it cannot be read.
EProgramKind ReadProgramKind(const std::string& path);
