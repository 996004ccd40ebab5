#pragma once

#include <memory>
#include <string>
#include <string_view>

// SHA-256 of data that arrives in pieces.
class CSha256 {
public:
    CSha256();
    ~CSha256();
    CSha256(const CSha256&) = delete;
    CSha256& operator=(const CSha256&) = delete;

    void Update(std::string_view data);
    // Forgets everything given so far.
    void Reset();
    // Lower-case hex digits of everything given so far.
    std::string HexDigest() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
