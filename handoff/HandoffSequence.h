#pragma once

#include <functional>
#include <string>

// The steps that every login route ends with, always in this order: store
// the launch argument string, make sure the game launcher is there and start
// it, then cancel the link click subscriptions of the login window.
//
// A hand-off that arrives while another one runs (events keep coming while a
// download shows its progress) or after the program has been asked to end is
// ignored whole: it would otherwise replace the string the running one is
// about to start the launcher with.
struct CHandoffSequence {
    std::function<void(const std::u16string&)> storeLaunchArgs;
    std::function<void()> fetchAndStartLauncher;
    std::function<void()> disconnectLinkEvents;

    void Run(const std::u16string& launchArgs) const;
};
