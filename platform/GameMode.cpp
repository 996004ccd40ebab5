#include "platform/GameMode.h"

#include <cstdlib>

namespace {

bool NamesGamescope(std::string_view desktops) {
    while (!desktops.empty()) {
        const size_t colon = desktops.find(':');
        if (desktops.substr(0, colon) == "gamescope") {
            return true;
        }
        desktops =
            colon == std::string_view::npos ? std::string_view() : desktops.substr(colon + 1);
    }
    return false;
}

}  // namespace

bool GameModeFromEnvironment(const char* forced, const char* desktops,
                             const char* gamescopeDisplay) {
    if (forced != nullptr && (std::string_view(forced) == "1" || std::string_view(forced) == "0")) {
        return std::string_view(forced) == "1";
    }
    return (desktops != nullptr && NamesGamescope(desktops)) ||
           (gamescopeDisplay != nullptr && *gamescopeDisplay != '\0');
}

bool IsGameMode() {
    static const bool gameMode = GameModeFromEnvironment(std::getenv("THARNVALE_GAME_MODE"),
                                                         std::getenv("XDG_CURRENT_DESKTOP"),
                                                         std::getenv("GAMESCOPE_WAYLAND_DISPLAY"));
    return gameMode;
}
