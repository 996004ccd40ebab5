#pragma once

// Which addresses a browser may go to once its login page came over https:
// none on plain http, where the player's password and session would travel
// in the clear, whether a link, a page's script or the server's redirect
// asks for it. The portal's own callback addresses are let through all the
// same: they carry the login result the portal hands back, and the program
// hands that result off as soon as one completes. Nobody else's are: an
// address that only looks like a callback hands nothing off.
// Pure text work, so the rule can be checked without a browser.

#include <string_view>

class CPortalOrigins;

// Whether `address` starts with `scheme` (given in lower case) and a
// colon, in any case: schemes are case-insensitive.
bool HasScheme(std::string_view address, std::string_view scheme);

// False when `loginUrl` is https and `target` is plain http, unless `target`
// is a callback address on one of `callbackOrigins` (none for a browser
// whose callbacks are never handed off). Both are UTF-8.
bool MayNavigate(std::string_view loginUrl, std::string_view target,
                 const CPortalOrigins& callbackOrigins);
