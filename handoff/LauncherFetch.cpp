#include "handoff/LauncherFetch.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "handoff/WineStart.h"
#include "platform/MessageLoop.h"
#include "platform/ProcessStart.h"
#include "platform/ProgramWindows.h"
#include "platform/TextCodec.h"

namespace {

constexpr char16_t kDownloadFailedCaption[] = u"【下载失败】";
constexpr char16_t kDownloadTitle[] = u"正在下载游戏启动器";

}  // namespace

CLauncherFetch::CLauncherFetch(IProgramWindows& windows, std::string moduleDir,
                               LauncherSource source, WineSettings wine)
    : m_windows(windows),
      m_strModuleDir(std::move(moduleDir)),
      m_strLauncherPath(m_strModuleDir + "/" + kLauncherFileName),
      m_source(std::move(source)),
      m_wine(std::move(wine)) {}

void CLauncherFetch::FetchAndStartLauncher(const std::string& launchArgs) {
    // A launcher that is there is started as it is, without any network use.
    if (access(m_strLauncherPath.c_str(), F_OK) != 0 && !Download()) {
        return;
    }
    // A download that ended as a signal came starts nothing: the program
    // ends instead.
    if (IsQuitPosted()) {
        return;
    }
    StartLauncher(launchArgs);
}

void CLauncherFetch::RemoveStaleDownloads() const {
    // A download in progress writes at least every minute, or gives up.
    RemoveStalePartFiles(m_strLauncherPath, std::chrono::minutes(15));
}

bool CLauncherFetch::Download() {
    TransferProgress progress;
    DownloadOutcome outcome;
    m_windows.RunWithProgressWindow(kDownloadTitle, progress, [&] {
        outcome = DownloadLauncher(m_source, m_strLauncherPath, progress);
    });
    if (outcome.kind == DownloadOutcome::Kind::Saved) {
        return true;
    }
    // Written before the message, which waits for the player: the log tells
    // what went wrong while they still read it.
    std::fprintf(stderr, "login-launcher: launcher not fetched from %s: %s\n", m_source.url.c_str(),
                 outcome.detail.c_str());
    switch (outcome.kind) {
        case DownloadOutcome::Kind::Saved:
        case DownloadOutcome::Kind::Cancelled:
            break;  // a cancel is the player's own choice
        case DownloadOutcome::Kind::NotOffered:
        case DownloadOutcome::Kind::Failed:
            // A player who clicked 登录 and saw nothing happen would only
            // click again: every failure says what happened.
            m_windows.ShowMessage(outcome.message, kDownloadFailedCaption);
            break;
    }
    return false;
}

void CLauncherFetch::StartLauncher(const std::string& launchArgs) {
    const EProgramKind kind = ReadProgramKind(m_strLauncherPath);
    if (kind != EProgramKind::Other) {
        StartWindowsLauncher(launchArgs, kind);
        return;
    }
    // The launcher is started by the path the file system knows it by; only
    // the argument text goes through the command-line rules it has always
    // been read by. A folder name holding a quote, or bytes the locale cannot
    // read, must not turn into another program.
    const StartResult result = StartProcess(m_strLauncherPath, launchArgs);
    if (!result.started) {
        std::fprintf(stderr, "login-launcher: cannot start %s: %s\n", m_strLauncherPath.c_str(),
                     std::strerror(result.error));
        m_windows.ShowMessage(kStartFailedText, kStartFailedCaption);
    }
    PostQuitMessage(kQuitExitCode);
}

void CLauncherFetch::StartWindowsLauncher(const std::string& launchArgs, EProgramKind kind) {
    auto wine = std::make_shared<CWineStart>(m_windows, m_wine);
    const WineStartResult result =
        wine->Start(m_strLauncherPath, kind, Widen(launchArgs), m_windows.GetDesktopScale());
    if (!result.detail.empty()) {
        std::fprintf(stderr, "login-launcher: %s\n", result.detail.c_str());
    }
    switch (result.kind) {
        case WineStartResult::Kind::Started:
            if (m_wine.waitForGameEnd) {
                // Steam takes the game as ended when the program it started
                // ends: stay, out of sight, until the game's Wine session has.
                m_windows.HideProgramWindows();
                PostQuitMessageWhen(kQuitExitCode, [wine] { return !wine->IsSessionRunning(); });
            } else {
                PostQuitMessage(kQuitExitCode);
            }
            break;
        case WineStartResult::Kind::Cancelled:
            break;
        case WineStartResult::Kind::Refused:
            m_windows.ShowMessage(result.message, kStartFailedCaption);
            break;
        case WineStartResult::Kind::Failed:
            m_windows.ShowMessage(result.message, kStartFailedCaption);
            PostQuitMessage(kQuitExitCode);
            break;
    }
}
