#pragma once

// A recording stand-in for the login window as the script bridge's owner:
// tests assert on the texts the bridge passed on, and on which owner got them.

#include <functional>
#include <string>
#include <vector>

#include "web/ImpIDispatch.h"

struct OwnerCall {
    const IAppLoginHandler* pOwner;
    std::u16string json;

    bool operator==(const OwnerCall&) const = default;
};

struct RecordingOwnerLog {
    std::vector<OwnerCall> calls;
    // Runs inside each call after it has been recorded, as the hand-off would.
    std::function<void()> during;

    void Reset() { *this = RecordingOwnerLog(); }
};

// What every recording owner's calls go to.
RecordingOwnerLog& OwnerLog();

class CRecordingOwner : public IAppLoginHandler {
public:
    void OnAppLogin(const std::u16string& json) override;
};
