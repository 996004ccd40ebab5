#include "app/LoginApp.h"

#include <glib.h>

#include <sstream>

#include "app/LoginDlg.h"
#include "handoff/GameFolder.h"
#include "handoff/LauncherFetch.h"
#include "platform/Gamepad.h"
#include "platform/LauncherConfig.h"
#include "platform/MessageBox.h"
#include "platform/MessageLoop.h"
#include "platform/ModulePath.h"
#include "platform/TextCodec.h"
#include "web/CustomOccManager.h"
#include "web/ImpIDispatch.h"
#include "web/LoginActiveDlg.h"

CLoginApp theApp;

namespace {

// The player closed the window through the window manager: a normal end.
constexpr int kClosedExitCode = 0;
// The main window could not be made.
constexpr int kStartFailedExitCode = 1;

constexpr char16_t kLoginPagePath[] = u"/url/weiduan.php?gn=halvoryne";

// The game launcher in the game folder (the program's own, or the player's
// when that cannot be written), fetched from the content server and checked
// as the program was built to; a Windows one started through the Wine the
// player's environment names, with the helpers installed beside us. It shows
// itself in `windows`.
CLauncherFetch GameLauncher(IProgramWindows& windows) {
    const std::string folder =
        ChooseGameFolders(GetModuleDirNative(), g_get_user_data_dir()).launcher;
    return CLauncherFetch(windows, folder,
                          {.url = std::string(kContentOrigin) + kLauncherUrlPath,
                           .userAgent = GetModuleBaseName(),
                           .sha256 = kLauncherSha256,
                           .signingKey = kLauncherSigningKey},
                          WineSettingsFromEnvironment(GetModuleDirNative(), g_get_user_data_dir()));
}

// The origins of the portal's own pages, as the program was built.
CPortalOrigins PortalOrigins() {
    std::vector<std::string> origins{kPortalOrigin, kContentOrigin};
    std::istringstream extra(kExtraPortalOrigins);
    for (std::string origin; extra >> origin;) {
        origins.push_back(origin);
    }
    return CPortalOrigins(origins);
}

}  // namespace

CLoginApp::CLoginApp() = default;
CLoginApp::~CLoginApp() = default;

void CLoginApp::StoreLaunchArgs(const std::u16string& text) {
    m_strLaunchArgs = Narrow(text);
}

void CLoginApp::FetchAndStartLauncher() {
    GameLauncher(m_windows).FetchAndStartLauncher(m_strLaunchArgs);
}

int CLoginApp::InitInstance() {
    // Common controls, the framework's own start, its shell and visual
    // managers and its settings key have nothing to stand for here: GTK
    // brings its widgets and the program keeps no settings.
    StartGamepadKeys();
    SettleGameFolders();
    GameLauncher(m_windows).RemoveStaleDownloads();
    const CPortalOrigins portalOrigins = PortalOrigins();
    m_pOccManager = std::make_unique<CCustomOccManager>(portalOrigins);
    m_pDispatch = std::make_unique<CImpIDispatch>();
    m_pOccManager->SetBridge(m_pDispatch.get());

    // The windows take the scale the desktop asks for (GDK_SCALE, or its
    // own setting as GTK reads it): at 2 their places and sizes stay the
    // same in their own pixels, and they are drawn from pictures made for
    // twice the pixels.

    int exitCode = kClosedExitCode;
    {
        CLoginDlg dlg(
            {.loginUrl = WideFromUtf8(kPortalOrigin) + kLoginPagePath,
             .portalOrigins = portalOrigins,
             .pOccManager = m_pOccManager.get(),
             .storeLaunchArgs = [this](const std::u16string& text) { StoreLaunchArgs(text); },
             .fetchAndStartLauncher = [this] { FetchAndStartLauncher(); }});
        const int result = dlg.DoModal();
        if (result == -1) {
            ShowMessageBox(kStartFailedText, kStartFailedCaption);
            exitCode = kStartFailedExitCode;
        }
        if (IsQuitPosted()) {
            exitCode = GetQuitExitCode();
        }
        // Shut-down: the login window object first, then the bridge that
        // its pages could still have called, then the main window object.
        dlg.m_pLoginDlg.reset();
        m_pOccManager->SetBridge(nullptr);
        m_pDispatch.reset();
    }
    // The browsers' maker outlives every browser.
    m_pOccManager.reset();
    return exitCode;
}
