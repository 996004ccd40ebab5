#include "handoff/HandoffSequence.h"

#include <cstdio>

#include "platform/MessageLoop.h"

void CHandoffSequence::Run(const std::u16string& launchArgs) const {
    static bool s_bRunning = false;
    if (s_bRunning || IsQuitPosted()) {
        std::fputs(
            "login-launcher: a login arrived while another one is being handed off; ignored\n",
            stderr);
        return;
    }
    struct Running {
        Running() { s_bRunning = true; }
        ~Running() { s_bRunning = false; }
    } running;
    if (storeLaunchArgs) {
        storeLaunchArgs(launchArgs);
    }
    if (fetchAndStartLauncher) {
        fetchAndStartLauncher();
    }
    if (disconnectLinkEvents) {
        disconnectLinkEvents();
    }
}
