#include "handoff/WineStart.h"

#include <cstdio>
#include <cstring>

#include "handoff/LauncherFetch.h"
#include "handoff/windows/StartInWine.h"
#include "platform/MessageLoop.h"
#include "platform/ProcessStart.h"
#include "platform/ProgramWindows.h"
#include "platform/TextCodec.h"

namespace {

constexpr char16_t kPreparingTitle[] = u"正在准备游戏运行环境…";
constexpr char16_t kStartingTitle[] = u"正在启动游戏…";

constexpr char16_t kInstall32Bit[] =
    u"Debian / Ubuntu：sudo dpkg --add-architecture i386 && sudo apt update && "
    u"sudo apt install wine wine32:i386\n"
    u"Fedora：sudo dnf install wine\n"
    u"Arch：在 /etc/pacman.conf 中启用 [multilib]，然后 sudo pacman -S wine\n";

constexpr int kBaseDpi = 96;
// How often a running helper is looked at for its end or a cancel.
constexpr auto kPollInterval = std::chrono::milliseconds(20);

std::u16string Shown(const std::string& path) {
    return WideFromUtf8(path);
}

std::u16string NoRunnerText(const WineSettings& settings) {
    if (!settings.runner.empty()) {
        return u"找不到 THARNVALE_WINE 指定的程序：" + Shown(settings.runner) +
               u"\n请将它设为 Wine 或 Proton 的 wine 的完整路径，或 PATH 中的程序名（如 "
               u"umu-run）。";
    }
    return std::u16string(
               u"游戏启动器是 Windows 程序，需要 Wine（含 32 位支持）才能运行。请先安装 Wine：\n") +
           kInstall32Bit +
           u"Steam Deck：将环境变量 THARNVALE_WINE 设为 Proton 的 wine（Proton 文件夹中的 "
           u"files/bin/wine）或 umu-run。\n"
           u"安装后再次登录即可。";
}

std::u16string FolderText(CWinePrefix::EFolder problem, const std::string& path) {
    switch (problem) {
        case CWinePrefix::EFolder::NotAbsolute:
            return u"THARNVALE_WINEPREFIX 必须是以 / 开头的完整路径：" + Shown(path);
        case CWinePrefix::EFolder::NotPrivate:
            return u"无法使用游戏运行环境文件夹：" + Shown(path) +
                   u"\n它是链接、不是文件夹、属于其他用户，或无法创建。请删除它，或用 "
                   u"THARNVALE_WINEPREFIX 指定你自己的文件夹。";
        case CWinePrefix::EFolder::ReadOnly:
            return u"游戏运行环境文件夹不可写：" + Shown(path) +
                   u"\n请确认这个文件夹和它所在的磁盘可以写入。";
        case CWinePrefix::EFolder::Usable:
            break;
    }
    return {};
}

std::u16string SupportText(CWinePrefix::ESupport problem, const std::string& path) {
    if (problem == CWinePrefix::ESupport::No32Bit) {
        return u"游戏运行环境没有 32 位支持，无法运行 32 位的游戏启动器：" + Shown(path) +
               u"\n请先为 Wine 安装 32 位支持：\n" + kInstall32Bit +
               u"然后删除这个文件夹，下次登录时会重新创建。";
    }
    return u"游戏运行环境是 32 位的，无法运行 64 位的游戏启动器：" + Shown(path) +
           u"\n请删除这个文件夹（下次登录时会重新创建），或用 THARNVALE_WINEPREFIX "
           u"指定 64 位的运行环境。";
}

WineStartResult Refused(std::u16string message, std::string detail) {
    return {WineStartResult::Kind::Refused, std::move(message), std::move(detail)};
}

std::string Hex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex = "x";
    hex.reserve(1 + 2 * bytes.size());
    for (const char c : bytes) {
        hex.push_back(kDigits[uint8_t(c) >> 4]);
        hex.push_back(kDigits[uint8_t(c) & 0xF]);
    }
    return hex;
}

}  // namespace

std::vector<std::string> HelperArguments(int dpi, const std::string& launcherPath,
                                         const std::u16string& text) {
    return {std::to_string(dpi), Hex(launcherPath), Hex(Utf8FromWide(text))};
}

CWineStart::CWineStart(IProgramWindows& windows, WineSettings settings)
    : m_windows(windows),
      m_settings(std::move(settings)),
      m_runner(FindWineRunner(m_settings)),
      m_prefix(m_settings.prefix),
      m_strLocale(ChineseLocale()) {}

WineStartResult CWineStart::Start(const std::string& launcherPath, EProgramKind kind,
                                  const std::u16string& text, int scale) {
    if (m_runner.path.empty()) {
        return Refused(NoRunnerText(m_settings), "no Wine runner found");
    }
    const std::string helper = HelperPath(m_settings, kind);
    if (access(helper.c_str(), R_OK) != 0) {
        return Refused(u"程序文件不完整，缺少：" + Shown(helper) + u"\n请重新安装登录器。",
                       "missing " + helper);
    }
    if (WineStartResult checked = CheckPrefix(kind);
        checked.kind != WineStartResult::Kind::Started) {
        return checked;
    }
    // A signal that came as the prefix was made ends the program: nothing is
    // started only to be killed.
    if (IsQuitPosted()) {
        return {WineStartResult::Kind::Cancelled, {}, "the program is ending"};
    }
    if (m_strLocale.empty()) {
        std::fputs(
            "login-launcher: the locale zh_CN.UTF-8 is not generated on this machine: the game "
            "launcher's narrow command line (not in code page 936) shows Chinese text as '?'\n",
            stderr);
    }
    return RunHelper(helper, launcherPath, kind, text, scale);
}

WineStartResult CWineStart::CheckPrefix(EProgramKind kind) {
    const CWinePrefix::EFolder folder = m_prefix.PrepareFolder();
    if (folder != CWinePrefix::EFolder::Usable) {
        return Refused(FolderText(folder, m_prefix.Path()), "unusable prefix " + m_prefix.Path());
    }
    if (!m_prefix.IsMade()) {
        if (WineStartResult made = MakePrefix(); made.kind != WineStartResult::Kind::Started) {
            return made;
        }
    }
    const CWinePrefix::ESupport support = m_prefix.Supports(kind);
    if (support != CWinePrefix::ESupport::Supported) {
        return Refused(SupportText(support, m_prefix.Path()),
                       "the prefix cannot run the launcher's bitness: " + m_prefix.Path());
    }
    return {WineStartResult::Kind::Started};
}

WineStartResult CWineStart::MakePrefix() {
    TransferProgress progress;
    progress.countsBytes = false;
    CWinePrefix::MakeResult made;
    m_windows.RunWithProgressWindow(kPreparingTitle, progress, [&] {
        made = m_prefix.Make({m_runner.path, "wineboot", "--init"},
                             RunnerEnvironment(m_runner, m_prefix.Path(), m_strLocale, true),
                             progress.cancelRequested);
    });
    switch (made.kind) {
        case CWinePrefix::EMade::Made:
            // The prefix's session was started without a display, and every
            // later program of it would draw where nobody sees: the game
            // starts a session of its own.
            m_prefix.StopServer();
            return {WineStartResult::Kind::Started};
        case CWinePrefix::EMade::Cancelled:
            return {WineStartResult::Kind::Cancelled, {}, "the player cancelled making the prefix"};
        case CWinePrefix::EMade::Failed:
            break;
    }
    if (made.spawnError != 0) {
        return Refused(NoRunnerText(m_settings),
                       "cannot run " + m_runner.path + ": " + std::strerror(made.spawnError));
    }
    const std::string detail = "making the prefix " + m_prefix.Path() +
                               " failed: wineboot exited " + std::to_string(made.exitCode);
    if (made.diskFull) {
        return Refused(u"磁盘空间不足，无法准备游戏运行环境（约需 1.5 GB）：" +
                           Shown(m_prefix.Path()) + u"\n请腾出空间后再次登录。",
                       detail + " (disk full)");
    }
    return Refused(u"准备游戏运行环境失败（Wine 退出码 " +
                       WideFromUtf8(std::to_string(made.exitCode)) + u"）：" +
                       Shown(m_prefix.Path()) + u"\n请确认 Wine 可以正常使用后再次登录。",
                   detail);
}

WineStartResult CWineStart::RunHelper(const std::string& helper, const std::string& launcherPath,
                                      EProgramKind kind, const std::u16string& text, int scale) {
    ProcessSpec spec;
    spec.argv = {m_runner.path, helper};
    for (std::string& argument :
         HelperArguments(kBaseDpi * std::max(scale, 1), launcherPath, text)) {
        spec.argv.push_back(std::move(argument));
    }
    spec.environment = RunnerEnvironment(m_runner, m_prefix.Path(), m_strLocale, false);
    // The game outlives us: a hang-up to our process group must not reach it.
    spec.newSession = true;

    TransferProgress progress;
    progress.countsBytes = false;
    SpawnResult spawned;
    std::optional<int> exitCode;
    m_windows.RunWithProgressWindow(kStartingTitle, progress, [&] {
        spawned = SpawnProcess(spec);
        while (spawned.pid > 0 && !exitCode) {
            if (progress.cancelRequested) {
                KillSession(spawned.pid);
                return;
            }
            exitCode = WaitForExit(spawned.pid, kPollInterval);
        }
    });
    if (spawned.pid <= 0) {
        return Refused(NoRunnerText(m_settings),
                       "cannot run " + m_runner.path + ": " + std::strerror(spawned.error));
    }
    if (!exitCode) {
        return {WineStartResult::Kind::Cancelled, {}, "the player cancelled the start"};
    }
    if (*exitCode == START_IN_WINE_STARTED) {
        return {WineStartResult::Kind::Started};
    }
    const std::string detail =
        m_runner.path + " " + helper + " exited " + std::to_string(*exitCode);
    // A Wine without 32-bit support runs no 32-bit program, and says nothing.
    if (*exitCode == 0 && kind == EProgramKind::Windows32) {
        return Refused(std::u16string(u"当前的 Wine 没有 32 位支持，无法运行 32 位的游戏启动器。"
                                      u"请为 Wine 安装 32 位支持：\n") +
                           kInstall32Bit + u"安装后再次登录即可。",
                       detail + ": no 32-bit support");
    }
    return {WineStartResult::Kind::Failed, kStartFailedText, detail};
}
