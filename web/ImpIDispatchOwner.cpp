#include "web/ImpIDispatch.h"

#include "web/LoginActiveDlg.h"

// The one place the bridge reaches into the login window.
void CallOwnerAppLogin(CLoginActiveDlg* pOwner, const std::u16string& json) {
    pOwner->OnAppLogin(json);
}
