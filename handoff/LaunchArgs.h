#pragma once

// The launch argument string: what follows the game launcher's quoted path on
// its command line, " ,id^<uid>,auth_key^<token>&<server_id>&<other>&<sign>".

#include <string>

// token&server_id&other&sign, values inserted exactly as given.
std::u16string BuildCredentialTail(const std::u16string& token, const std::u16string& serverId,
                                   const std::u16string& other, const std::u16string& sign);

// " ,id^" + uid + ",auth_key^" + credential tail.
std::u16string BuildLaunchArgs(const std::u16string& uid, const std::u16string& credentialTail);
