#pragma once

// Making sure the game launcher stands next to this program, and starting it
// with the stored launch argument string.

#include <string>

#include "handoff/LauncherDownload.h"
#include "handoff/WineRunner.h"

class IProgramWindows;

inline constexpr char kLauncherFileName[] = "vuntek_qx_launch.exe";
inline constexpr char kLauncherUrlPath[] = "/kestrani2/halvoryne_web/vuntek_qx_launch.exe";

// What the player is told when the game cannot be started: the launcher did
// not start, or the program's own window could not be made.
inline constexpr char16_t kStartFailedText[] = u"启动游戏失败，请重新启动！";
inline constexpr char16_t kStartFailedCaption[] = u"【启动失败】";

class CLauncherFetch {
public:
    // `moduleDir` is the directory the launcher lives in, as the file system
    // names it, without a trailing slash. A Windows launcher is started
    // through the Wine that `wine` names. Progress and messages show in
    // `windows`, which outlives this object.
    CLauncherFetch(IProgramWindows& windows, std::string moduleDir, LauncherSource source,
                   WineSettings wine = {});

    // Starts the launcher with `launchArgs` (the narrow launch argument
    // string), downloading it first when it is missing. After a start
    // attempt the program is asked to end; after a failed download it keeps
    // running.
    void FetchAndStartLauncher(const std::string& launchArgs);

    // Starts the launcher with `launchArgs` as the text after its quoted path
    // on a command line: a native one with the text split into arguments, a
    // Windows one through Wine with the line as it stands. A start that fails
    // is shown to the player, and either way the program is asked to end;
    // only when Wine or its prefix is not fit to start a Windows launcher (or
    // the player cancels their preparing) does it keep running, having said
    // why.
    void StartLauncher(const std::string& launchArgs);

    // Removes the temporary files of downloads that a killed run of the
    // program left beside the launcher.
    void RemoveStaleDownloads() const;

private:
    bool Download();
    void StartWindowsLauncher(const std::string& launchArgs, EProgramKind kind);

    IProgramWindows& m_windows;
    std::string m_strModuleDir;
    std::string m_strLauncherPath;
    LauncherSource m_source;
    WineSettings m_wine;
};
