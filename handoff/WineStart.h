#pragma once

// Starting a Windows game launcher through Wine so that it receives exactly
// the command line Windows would give it: its quoted Windows path followed
// by the argument text, character for character, and that line in code page
// 936 for its narrow view. A helper of ours (handoff/windows/StartInWine.c)
// runs inside Wine and hands the line to CreateProcessW; the player's
// prefix is made on first use, in a window that can be cancelled.

#include <string>
#include <vector>

#include "handoff/WindowsProgram.h"
#include "handoff/WinePrefix.h"
#include "handoff/WineRunner.h"

class IProgramWindows;

struct WineStartResult {
    enum class Kind {
        Started,    // the game launcher runs
        Cancelled,  // the player cancelled; nothing runs
        Refused,    // Wine or the prefix is not fit to start it: see message
        Failed,     // the start itself failed: see message
    };
    Kind kind = Kind::Failed;
    std::u16string message;  // for the player, when Refused or Failed
    std::string detail;      // for the diagnostic line
};

class CWineStart {
public:
    // Preparing and starting show in `windows`, which outlives this object.
    CWineStart(IProgramWindows& windows, WineSettings settings);

    // Starts the launcher at `launcherPath` (as the file system names it), a
    // Windows program of `kind`, with `text` after its quoted path. `scale`
    // is the desktop's integer scale, which Windows programs are told as
    // their DPI (96 × scale). Runs the main loop while Wine works.
    WineStartResult Start(const std::string& launcherPath, EProgramKind kind,
                          const std::u16string& text, int scale);

    // Whether the prefix's Wine session still runs: the game launcher, the
    // game it started, or the server lingering after them.
    bool IsSessionRunning() const { return m_prefix.IsServerRunning(); }

private:
    WineStartResult CheckPrefix(EProgramKind kind);
    WineStartResult MakePrefix();
    WineStartResult RunHelper(const std::string& helper, const std::string& launcherPath,
                              EProgramKind kind, const std::u16string& text, int scale);

    IProgramWindows& m_windows;
    WineSettings m_settings;
    WineRunner m_runner;
    CWinePrefix m_prefix;
    std::string m_strLocale;
};

// The helper's arguments after its own path: the DPI, then the launcher's
// path and the text, hex-encoded (handoff/windows/StartInWine.h).
std::vector<std::string> HelperArguments(int dpi, const std::string& launcherPath,
                                         const std::u16string& text);
