#pragma once

// A recording stand-in for the login window as the script bridge's owner:
// unit tests link it in place of web/ImpIDispatchOwner.cpp and assert on the
// texts the bridge passed on.

#include <functional>
#include <string>
#include <vector>

class CLoginActiveDlg;

struct OwnerCall {
    CLoginActiveDlg* pOwner;
    std::u16string json;

    bool operator==(const OwnerCall&) const = default;
};

struct RecordingOwnerLog {
    std::vector<OwnerCall> calls;
    // Runs inside each call after it has been recorded, as the hand-off would.
    std::function<void()> during;

    void Reset() { *this = RecordingOwnerLog(); }
};

RecordingOwnerLog& OwnerLog();
