#include "platform/OnScreenKeyboard.h"

#include <gio/gio.h>

#include <cstdio>

#include "platform/GLibPtr.h"

namespace {

// Steam's keyboard at its own place and size (zeros), in the mode where
// Enter sends Return and puts the keyboard away: the page's fields are
// single lines. The parameters are those of Steam's floating gamepad text
// input.
constexpr char kKeyboardAddress[] =
    "steam://open/keyboard?XPosition=0&YPosition=0&Width=0&Height=0&Mode=0";

}  // namespace

bool COnScreenKeyboardRequests::Allow(int64_t nowMs) {
    if (m_bSent && nowMs - m_nLastMs < kQuietMs) {
        return false;
    }
    m_bSent = true;
    m_nLastMs = nowMs;
    return true;
}

void ShowOnScreenKeyboard() {
    static COnScreenKeyboardRequests requests;
    if (!requests.Allow(g_get_monotonic_time() / 1000)) {
        return;
    }
    // GIO starts the steam scheme's default handler from its desktop entry
    // (x-scheme-handler/steam), as a program of its own, with no shell.
    GError* error = nullptr;
    if (!g_app_info_launch_default_for_uri(kKeyboardAddress, nullptr, &error)) {
        const GErrorPtr failure(error);
        std::fprintf(stderr, "login-launcher: cannot ask for the on-screen keyboard: %s\n",
                     failure->message);
    }
}
