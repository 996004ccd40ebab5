#pragma once

#include <cstddef>
#include <string_view>

// "log.txt" in the current directory: each entry is a narrow text and a line
// end, appended and on disk before the next step runs.
//
// The file holds login tokens, and the directory it lies in may be shared
// with others, so it is only used when it is a plain file of the player's
// own: a link is never followed, a pipe or device never waited on, and the
// file is made readable by its owner only. When it cannot be used, entries
// are dropped and nothing else changes.
//
// What a page passes is written, so what one page can make the program write
// is bounded: an entry longer than kMaxEntryBytes is cut (and says so), and
// once a run has written kMaxRunBytes, further entries are dropped. A real
// login payload is a few hundred bytes.
class CLoginLog {
public:
    static constexpr size_t kMaxEntryBytes = size_t{64} * 1024;
    static constexpr size_t kMaxRunBytes = size_t{8} * 1024 * 1024;

    CLoginLog();
    ~CLoginLog();
    CLoginLog(const CLoginLog&) = delete;
    CLoginLog& operator=(const CLoginLog&) = delete;

    void WriteEntry(std::string_view text);
    void Close();

private:
    int m_fd = -1;
};
