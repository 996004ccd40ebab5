#pragma once

// What starting a Windows game launcher through Wine needs to know of the
// player's machine: which runner to use, which prefix, where our helper
// programs are, whether Steam waits on us. Read once from the environment;
// the tests fill it in themselves.

#include <string>
#include <vector>

#include "handoff/WindowsProgram.h"

struct WineSettings {
    // THARNVALE_WINE as the player set it: a path, or a program name looked
    // for on PATH (umu-run, say). Empty: "wine" on PATH.
    std::string runner;
    // The Wine prefix: THARNVALE_WINEPREFIX, or the program's own under the
    // player's data folder.
    std::string prefix;
    // The folder of the program, where the Windows helpers are installed.
    std::string helperDir;
    // PATH, where runners named without a folder are looked for.
    std::string searchPath;
    // Under Steam (SteamGameId or SteamAppId set), which takes the game as
    // ended when the program it started ends.
    bool waitForGameEnd = false;
};

// The player's prefix under `dataDir` ($XDG_DATA_HOME or its default).
std::string PlayerWinePrefix(const std::string& dataDir);

// The settings from this process's environment.
WineSettings WineSettingsFromEnvironment(const std::string& helperDir, const std::string& dataDir);

// The helper program that starts a launcher of `kind`: of the launcher's own
// bitness, so that it runs exactly where the launcher can.
std::string HelperPath(const WineSettings& settings, EProgramKind kind);

struct WineRunner {
    std::string path;    // empty: none found
    bool isUmu = false;  // umu-run, which takes its prefix and game id from the environment
};

// The runner the settings name, found; empty path when there is none.
WineRunner FindWineRunner(const WineSettings& settings);

// The locale the runner runs under, so that Windows programs see the
// players' code page (936); empty when this machine has not generated it.
std::string ChineseLocale();

// The environment for every run of the runner in `prefix`: the prefix, no
// debugging output, no menu entries or file associations made for the
// player, the Chinese locale when there is one. `preparing`: for making the
// prefix, when nothing may ask the player to install Gecko or Mono and no
// window of Wine's may show (no display at all).
std::vector<std::string> RunnerEnvironment(const WineRunner& runner, const std::string& prefix,
                                           const std::string& locale, bool preparing);
