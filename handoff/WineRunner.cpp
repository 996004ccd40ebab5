#include "handoff/WineRunner.h"

#include <clocale>
#include <cstdlib>

#include "platform/ProcessStart.h"

namespace {

constexpr char kDefaultRunner[] = "wine";
constexpr char kUmuRunner[] = "umu-run";
constexpr char kChineseLocale[] = "zh_CN.UTF-8";

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

std::string BaseName(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

}  // namespace

std::string PlayerWinePrefix(const std::string& dataDir) {
    return dataDir + "/tharnvale-login-launcher/wine";
}

WineSettings WineSettingsFromEnvironment(const std::string& helperDir, const std::string& dataDir) {
    WineSettings settings;
    settings.runner = Environment("THARNVALE_WINE");
    settings.prefix = Environment("THARNVALE_WINEPREFIX");
    if (settings.prefix.empty()) {
        settings.prefix = PlayerWinePrefix(dataDir);
    }
    settings.helperDir = helperDir;
    settings.searchPath = Environment("PATH");
    settings.waitForGameEnd =
        !Environment("SteamGameId").empty() || !Environment("SteamAppId").empty();
    return settings;
}

std::string HelperPath(const WineSettings& settings, EProgramKind kind) {
    return settings.helperDir +
           (kind == EProgramKind::Windows32 ? "/start-in-wine-32.exe" : "/start-in-wine-64.exe");
}

WineRunner FindWineRunner(const WineSettings& settings) {
    const std::string name = settings.runner.empty() ? kDefaultRunner : settings.runner;
    // A relative path would depend on the folder the program works in.
    if (name.find('/') != std::string::npos && !name.starts_with('/')) {
        return {};
    }
    WineRunner runner{FindProgram(name, settings.searchPath)};
    runner.isUmu = BaseName(runner.path) == kUmuRunner;
    return runner;
}

std::string ChineseLocale() {
    // Asked of the C library, which knows what is generated here; the
    // runner's Wine reads the same locale files.
    const locale_t locale = newlocale(LC_ALL_MASK, kChineseLocale, nullptr);
    if (locale == nullptr) {
        return {};
    }
    freelocale(locale);
    return kChineseLocale;
}

std::vector<std::string> RunnerEnvironment(const WineRunner& runner, const std::string& prefix,
                                           const std::string& locale, bool preparing) {
    std::vector<std::string> changes{
        "WINEPREFIX=" + prefix,
        "WINEDEBUG=-all",
        // Gecko and Mono would be offered for download as the prefix is
        // made, in a window of Wine's own, and offline they cannot be had;
        // the game launcher's own runs keep the web engine it may use.
        std::string("WINEDLLOVERRIDES=winemenubuilder.exe=d") +
            (preparing ? ";mscoree,mshtml=" : ""),
    };
    if (!locale.empty()) {
        // Proton takes the host's locale from HOST_LC_ALL.
        changes.push_back("LC_ALL=" + locale);
        changes.push_back("HOST_LC_ALL=" + locale);
    }
    if (runner.isUmu && std::getenv("GAMEID") == nullptr) {
        changes.emplace_back("GAMEID=0");
    }
    // Wine shows a window of its own while it makes a prefix; without a
    // display it has nowhere to show it.
    return preparing ? EnvironmentWith(changes, {"DISPLAY", "WAYLAND_DISPLAY"})
                     : EnvironmentWith(changes);
}
