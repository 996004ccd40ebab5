#include "app/LoginApp.h"

#include <gtk/gtk.h>

#include "app/LoginDlg.h"
#include "handoff/GameFolder.h"
#include "handoff/LauncherFetch.h"
#include "platform/MessageBox.h"
#include "platform/MessageLoop.h"
#include "web/CustomOccManager.h"
#include "web/ImpIDispatch.h"
#include "web/LoginActiveDlg.h"

namespace {

// The player closed the window through the window manager: a normal end.
constexpr int kClosedExitCode = 0;
// The main window could not be made.
constexpr int kStartFailedExitCode = 1;

}  // namespace

int CLoginApp::InitInstance() {
    // Common controls, the framework's own start, its shell and visual
    // managers and its settings key have nothing to stand for here: GTK
    // brings its widgets and the program keeps no settings.
    SettleGameFolders();
    CLauncherFetch::ForThisProgram().RemoveStaleDownloads();
    m_pOccManager = new CCustomOccManager;
    m_pDispatch = new CImpIDispatch;

    // The windows take the scale the desktop asks for (GDK_SCALE, or its
    // own setting as GTK reads it): at 2 their places and sizes stay the
    // same in their own pixels, and they are drawn from pictures made for
    // twice the pixels.

    int exitCode = kClosedExitCode;
    {
        CLoginDlg dlg;
        const int result = dlg.DoModal();
        if (result == -1) {
            ShowMessageBox(u"启动游戏失败，请重新启动！", u"【启动失败】");
            exitCode = kStartFailedExitCode;
        }
        if (IsQuitPosted()) {
            exitCode = GetQuitExitCode();
        }
        // Shut-down: the login window object first, then the bridge that
        // its pages could still have called, then the main window object.
        delete dlg.m_pLoginDlg;
        dlg.m_pLoginDlg = nullptr;
        delete m_pDispatch;
        m_pDispatch = nullptr;
    }
    return exitCode;
}
