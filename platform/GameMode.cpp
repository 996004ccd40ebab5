#include "platform/GameMode.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>

#include "platform/Desktop.h"

bool DecideGameMode(const char* forced, const char* currentDesktop, const char* gamescopeDisplay) {
    const std::string_view force = forced != nullptr ? forced : "";
    if (force == "1" || force == "0") {
        return force == "1";
    }
    // gamescope names itself among the desktops; the names are compared
    // whole and without regard to case, as desktop entries' OnlyShowIn are.
    std::string_view desktops = currentDesktop != nullptr ? currentDesktop : "";
    while (!desktops.empty()) {
        const size_t colon = desktops.find(':');
        const std::string_view name = desktops.substr(0, colon);
        constexpr std::string_view kGamescope = "gamescope";
        if (name.size() == kGamescope.size() &&
            std::equal(name.begin(), name.end(), kGamescope.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == b;
            })) {
            return true;
        }
        desktops = colon == std::string_view::npos ? "" : desktops.substr(colon + 1);
    }
    return gamescopeDisplay != nullptr && *gamescopeDisplay != '\0';
}

bool IsGameMode() {
    // The environment a program is started with does not change under it.
    static const bool gameMode =
        DecideGameMode(std::getenv("THARNVALE_GAME_MODE"), std::getenv("XDG_CURRENT_DESKTOP"),
                       std::getenv("GAMESCOPE_WAYLAND_DISPLAY"));
    return gameMode;
}
