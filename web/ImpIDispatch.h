#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Automation.h"

// Who takes the login a page hands to window.external.AppLogin: the login
// window.
class IAppLoginHandler {
public:
    virtual void OnAppLogin(const std::u16string& json) = 0;

protected:
    ~IAppLoginHandler() = default;
};

// The object page scripts see as window.external. It knows two members:
// "xxyyzz", a read-only property that reads "Wibble", and "AppLogin", a
// method whose one string argument (the login result as JSON) goes to the
// login window set as its owner. Without an owner, calls are accepted and
// ignored. The application object creates and frees the bridge.
class CImpIDispatch {
public:
    static constexpr DISPID kDispIdXxyyzz = 12345;
    static constexpr DISPID kDispIdAppLogin = 10001;

    // Maps each name to a member id in `ids` (same index). S_OK when every
    // name was known, else DISP_E_UNKNOWNNAME with DISPID_UNKNOWN at the
    // unknown names.
    HRESULT GetIDsOfNames(const std::vector<std::u16string>& names, std::vector<DISPID>& ids);

    // `args` in the order the script passed them. `pVarResult` may be null.
    // Always S_OK: a call the bridge cannot carry out is ignored.
    HRESULT Invoke(DISPID dispIdMember, uint16_t wFlags, const std::vector<CVariant>& args,
                   CVariant* pVarResult);

    // Set once the login window exists; the bridge does not own it.
    IAppLoginHandler* m_pOwner = nullptr;
};
