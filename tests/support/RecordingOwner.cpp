#include "tests/support/RecordingOwner.h"

#include "web/ImpIDispatch.h"

RecordingOwnerLog& OwnerLog() {
    static RecordingOwnerLog log;
    return log;
}

void CallOwnerAppLogin(CLoginActiveDlg* pOwner, const std::u16string& json) {
    OwnerLog().calls.push_back({pOwner, json});
    if (OwnerLog().during) {
        OwnerLog().during();
    }
}
