#pragma once

// What the tests of starting Windows launchers under real Wine share: a
// player's home made for the run, with the program's Wine prefix in it (made
// once, by the first test that needs it), the Windows probes, and reading
// what a probe recorded.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "handoff/WindowsProgram.h"
#include "handoff/WineRunner.h"
#include "tests/support/TestSupport.h"

// The player's home of the run: HOME, XDG_DATA_HOME and XDG_CONFIG_HOME
// point into it for the whole test program.
const std::filesystem::path& PlayerHome();
std::string PlayerDataDir();

// The settings the program would take in the test's environment: Wine from
// PATH, the player's prefix, the helpers of this build.
WineSettings TestWineSettings();

// The Windows probe of `kind` (tests/support/WindowsProbe.c).
std::filesystem::path ProbePath(EProgramKind kind);

// What a probe wrote: its lines as name → value.
using ProbeRecord = std::map<std::string, std::string>;
// Waits up to `limit` for the record at `path` to exist and to hold `key`.
std::optional<ProbeRecord> WaitForProbeRecord(
    const std::filesystem::path& path, const std::string& key = "wide",
    std::chrono::seconds limit = std::chrono::seconds(20));

// UTF-16 text as the probe writes it: four hex digits a code unit.
std::string WideHex(const std::u16string& text);
// Bytes as the probe writes them: two hex digits a byte.
std::string BytesHex(const std::string& bytes);
// The Windows name of a Unix path in a new prefix, whose drive Z: is "/".
std::u16string WindowsPath(const std::filesystem::path& path);
// `text` in code page 936, as Windows narrows it.
std::string CodePage936(const std::u16string& text);

// Whether this process may mount file systems (in the mount namespace of
// its own that CTest runs it in: tests/wine/in-mount-namespace.sh).
bool CanMount();
