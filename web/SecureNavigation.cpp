#include "web/SecureNavigation.h"

#include <string>

#include "platform/TextCodec.h"
#include "web/CallbackAddress.h"

namespace {

bool HasScheme(std::string_view address, std::string_view scheme) {
    if (address.size() <= scheme.size() || address[scheme.size()] != ':') {
        return false;
    }
    for (size_t i = 0; i < scheme.size(); ++i) {
        const char c = address[i];
        if ((c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c) != scheme[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool MayNavigate(std::string_view loginUrl, std::string_view target) {
    if (!HasScheme(loginUrl, "https") || !HasScheme(target, "http")) {
        return true;
    }
    const std::u16string wide = WideFromUtf8(target);
    return IsCodeCallback(wide) || IsQueryCallback(wide);
}
