#pragma once

// A recording stand-in for the program's windows (IProgramWindows) and the
// platform's quit requests. Unit tests hand Fake() down as the windows, link
// FakePlatform.cpp in place of the platform's message loop, and assert on
// what the code under test asked for.

#include <functional>
#include <string>
#include <vector>

#include "platform/ProgramWindows.h"
#include "platform/TransferProgress.h"

struct FakeMessage {
    std::u16string text;
    std::u16string caption;
};

// What the code under test asked for, and how the fake answers.
struct FakeRecord {
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
};

class FakePlatform final : public IProgramWindows, public FakeRecord {
public:
    void Reset() { static_cast<FakeRecord&>(*this) = FakeRecord(); }

    void ShowMessage(std::u16string_view text, std::u16string_view caption) override;
    int GetDesktopScale() override { return desktopScale; }
    void HideProgramWindows() override { ++hiddenWindows; }

protected:
    void RunWithWindow(std::u16string_view title, TransferProgress& progress,
                       const std::function<void()>& work) override;
};

FakePlatform& Fake();
