#pragma once

// Making sure the game launcher stands next to this program, and starting it
// with the stored launch argument string.

#include <string>

#include "handoff/LauncherDownload.h"

inline constexpr char kLauncherFileName[] = "vuntek_qx_launch.exe";
inline constexpr char kLauncherUrlPath[] = "/kestrani2/halvoryne_web/vuntek_qx_launch.exe";

class CLauncherFetch {
public:
    // `moduleDir` is the directory the launcher lives in, as the file system
    // names it, without a trailing slash.
    CLauncherFetch(std::string moduleDir, LauncherSource source);

    // The one the program uses: the game folder (its own directory, or the
    // player's game folder when that cannot be written), the content
    // server's address and the checks it was built with.
    static CLauncherFetch ForThisProgram();

    // Starts the launcher, downloading it first when it is missing. Reads
    // theApp.m_strLaunchArgs. After a start attempt the program is asked to
    // end with code 16; after a failed download it keeps running.
    void FetchAndStartLauncher();

    // Starts the launcher with `args` split as the text after its quoted
    // path on a command line; a start that fails is shown to the player. Either way the program is
    // asked to end with code 16.
    void StartLauncher(const std::u16string& args);

    // Removes the temporary files of downloads that a killed run of the
    // program left beside the launcher.
    void RemoveStaleDownloads() const;

private:
    bool Download();

    std::string m_strModuleDir;
    std::string m_strLauncherPath;
    LauncherSource m_source;
};

// CLauncherFetch::ForThisProgram().FetchAndStartLauncher().
void FetchAndStartLauncher();
