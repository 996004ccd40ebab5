#include "tests/support/RecordingOwner.h"

RecordingOwnerLog& OwnerLog() {
    static RecordingOwnerLog log;
    return log;
}

void CRecordingOwner::OnAppLogin(const std::u16string& json) {
    OwnerLog().calls.push_back({this, json});
    if (OwnerLog().during) {
        OwnerLog().during();
    }
}
