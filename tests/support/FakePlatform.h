#pragma once

// A recording stand-in for the platform's windows: message boxes, the quit
// request and the progress window. Unit tests link it instead of the GTK ones
// and assert on what the code under test asked for.

#include <functional>
#include <string>
#include <vector>

#include "platform/TransferProgress.h"

struct FakeMessage {
    std::u16string text;
    std::u16string caption;
};

struct FakePlatform {
    std::vector<FakeMessage> messages;
    std::vector<int> quitCodes;
    // What PostQuitMessageWhen was told to wait for.
    std::function<bool()> quitWhen;
    int desktopScale = 1;
    int hiddenWindows = 0;  // calls of HideProgramWindows
    std::vector<std::u16string> progressTitles;
    // Runs on the calling thread while a progress window's work is under way,
    // as events would in the real window's main loop.
    std::function<void(TransferProgress&)> duringProgress;

    void Reset() { *this = FakePlatform(); }
};

FakePlatform& Fake();
