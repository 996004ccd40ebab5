#pragma once

#include <string_view>

// "log.txt" in the current directory: each entry is a narrow text and a line
// end, appended and on disk before the next step runs. The file holds login
// tokens, so a new one is readable by its owner only. When it cannot be
// opened, entries are dropped and nothing else changes.
class CLoginLog {
public:
    CLoginLog();
    ~CLoginLog();
    CLoginLog(const CLoginLog&) = delete;
    CLoginLog& operator=(const CLoginLog&) = delete;

    void WriteEntry(std::string_view text);
    void Close();

private:
    int m_fd = -1;
};
