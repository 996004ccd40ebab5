#include "app/LoginApp.h"

#include <gdk/gdkx.h>
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

    // Pictures are drawn 1:1 in physical pixels, whatever scale the desktop
    // asks for: the window has exactly the size of its picture.
    GdkDisplay* display = gdk_display_get_default();
    if (GDK_IS_X11_DISPLAY(display)) {
        gdk_x11_display_set_window_scale(display, 1);
    }

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
