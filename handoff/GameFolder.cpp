#include "handoff/GameFolder.h"

#include <glib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "handoff/LauncherFetch.h"
#include "platform/ModulePath.h"
#include "platform/PrivateDirectory.h"

std::string PlayerGameFolder(const std::string& dataDir) {
    return dataDir + "/tharnvale-login-launcher/game";
}

GameFolders ChooseGameFolders(const std::string& moduleDir, const std::string& dataDir) {
    const std::string folder = moduleDir.empty() ? "/" : moduleDir;
    if (access(folder.c_str(), W_OK) == 0) {
        return {moduleDir, {}};
    }
    const std::string player = PlayerGameFolder(dataDir);
    const std::string beside = moduleDir + "/" + kLauncherFileName;
    return {access(beside.c_str(), F_OK) == 0 ? moduleDir : player, player};
}

std::string SettleGameFolders() {
    const std::string moduleDir = GetModuleDirNative();
    const GameFolders folders = ChooseGameFolders(moduleDir, g_get_user_data_dir());
    if (folders.work.empty()) {
        return folders.launcher;
    }
    if (!MakePrivateDirectory(folders.work) || chdir(folders.work.c_str()) != 0) {
        std::fprintf(stderr, "login-launcher: cannot use the game folder %s: %s\n",
                     folders.work.c_str(), std::strerror(errno != 0 ? errno : EPERM));
    }
    return folders.launcher;
}
