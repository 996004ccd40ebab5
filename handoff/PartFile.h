#pragma once

// The temporary file a download is written to, beside the file it is meant
// to become: ".<name>.part-XXXXXX", created new (never through a link), kept
// across the attempts of one download and removed unless it was renamed into
// place.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Sha256.h"

class CPartFile {
public:
    // With `digest`, a SHA-256 of what is written is kept as it goes.
    CPartFile(std::string finalPath, bool digest);
    ~CPartFile();
    CPartFile(const CPartFile&) = delete;
    CPartFile& operator=(const CPartFile&) = delete;

    // Each returns false with Error() set to the errno.
    bool Append(std::string_view data);
    // Drops what was written, for a download that starts over.
    bool Restart();
    // Makes the file executable and syncs it to the disk.
    bool Sync();
    // Renames the synced file to the final path, durably.
    bool Rename();

    uint64_t Size() const { return m_written; }
    // Lower-case hex SHA-256 of what was written, when asked for.
    std::string HexDigest() const { return m_digest.HexDigest(); }
    // What was written, mapped for reading; empty when there is nothing or
    // it cannot be mapped (Error() tells).
    std::string_view Map();
    int Error() const { return m_error; }

private:
    bool Create();

    std::string m_finalPath;
    std::string m_path;
    CSha256 m_digest;
    void* m_map = nullptr;
    bool m_bDigest;
    uint64_t m_written = 0;
    uint64_t m_flushed = 0;
    int m_fd = -1;
    int m_error = 0;
};

// Removes what a download that never ended (the program was killed, the
// machine went down) left beside `finalPath`: plain files of this user's
// named as CPartFile names them and untouched for longer than `olderThan`,
// so that another run's download in progress is left alone.
void RemoveStalePartFiles(const std::string& finalPath, std::chrono::seconds olderThan);
