#include "web/ImpIDispatch.h"

#include <cstdio>
#include <exception>
#include <string_view>

namespace {

constexpr std::u16string_view kXxyyzz = u"xxyyzz";
constexpr std::u16string_view kAppLogin = u"AppLogin";
constexpr size_t kComparedLength = 3;

// Full-width forms of the ASCII characters and of the space fold onto them;
// everything else, case included, stays as it is.
char16_t FoldWidth(char16_t c) {
    if (c >= 0xFF01 && c <= 0xFF5E) {
        return char16_t(c - 0xFEE0);
    }
    if (c == 0x3000) {
        return u' ';
    }
    return c;
}

// Members are told apart by their first three characters only, so "Apple"
// reaches AppLogin just as "AppLogin" does.
bool SelectsMember(std::u16string_view name, std::u16string_view member) {
    if (name.size() < kComparedLength) {
        return false;
    }
    for (size_t i = 0; i < kComparedLength; ++i) {
        if (FoldWidth(name[i]) != FoldWidth(member[i])) {
            return false;
        }
    }
    return true;
}

void PassAppLogin(IAppLoginHandler* pOwner, const std::vector<CVariant>& args) {
    // The platform stores arguments last-first and the bridge takes the first
    // one stored: with several arguments, the one passed last counts.
    if (args.empty() || !args.back().IsString()) {
        std::fputs("login-launcher: AppLogin called without a string argument; ignored\n", stderr);
        return;
    }
    if (pOwner == nullptr) {
        return;
    }
    const std::u16string& arg = args.back().GetString();
    const std::u16string json = arg.substr(0, arg.find(u'\0'));
    // The hand-off runs inside this call, and the call came from the browser's
    // script engine through C code that an exception must not unwind.
    try {
        pOwner->OnAppLogin(json);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "login-launcher: AppLogin failed: %s\n", e.what());
    } catch (...) {
        std::fputs("login-launcher: AppLogin failed\n", stderr);
    }
}

}  // namespace

HRESULT CImpIDispatch::GetIDsOfNames(const std::vector<std::u16string>& names,
                                     std::vector<DISPID>& ids) {
    ids.assign(names.size(), DISPID_UNKNOWN);
    HRESULT hr = S_OK;
    for (size_t i = 0; i < names.size(); ++i) {
        if (SelectsMember(names[i], kXxyyzz)) {
            ids[i] = kDispIdXxyyzz;
        } else if (SelectsMember(names[i], kAppLogin)) {
            ids[i] = kDispIdAppLogin;
        } else {
            hr = DISP_E_UNKNOWNNAME;
        }
    }
    return hr;
}

HRESULT CImpIDispatch::Invoke(DISPID dispIdMember, uint16_t wFlags,
                              const std::vector<CVariant>& args, CVariant* pVarResult) {
    if (dispIdMember == kDispIdXxyyzz && (wFlags & DISPATCH_PROPERTYGET) != 0 &&
        pVarResult != nullptr) {
        *pVarResult = CVariant(u"Wibble");
    } else if (dispIdMember == kDispIdAppLogin && (wFlags & DISPATCH_METHOD) != 0) {
        PassAppLogin(m_pOwner, args);
    }
    return S_OK;
}
