#include "web/SecureNavigation.h"

#include <glib.h>

#include <string>

#include "platform/TextCodec.h"
#include "web/CallbackAddress.h"
#include "web/PortalOrigins.h"

bool HasScheme(std::string_view address, std::string_view scheme) {
    if (address.size() <= scheme.size() || address[scheme.size()] != ':') {
        return false;
    }
    for (size_t i = 0; i < scheme.size(); ++i) {
        if (g_ascii_tolower(address[i]) != scheme[i]) {
            return false;
        }
    }
    return true;
}

bool MayNavigate(std::string_view loginUrl, std::string_view target,
                 const CPortalOrigins& callbackOrigins) {
    if (!HasScheme(loginUrl, "https") || !HasScheme(target, "http")) {
        return true;
    }
    const std::u16string wide = WideFromUtf8(target);
    return (IsCodeCallback(wide) || IsQueryCallback(wide)) && callbackOrigins.Holds(target);
}
