#include "handoff/LaunchArgs.h"

std::u16string BuildCredentialTail(const std::u16string& token, const std::u16string& serverId,
                                   const std::u16string& other, const std::u16string& sign) {
    return token + u'&' + serverId + u'&' + other + u'&' + sign;
}

std::u16string BuildLaunchArgs(const std::u16string& uid, const std::u16string& credentialTail) {
    return u" ,id^" + uid + u",auth_key^" + credentialTail;
}
