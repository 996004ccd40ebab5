#pragma once

#include <memory>
#include <string>

#include "ui/ProgramWindows.h"

class CCustomOccManager;
class CImpIDispatch;

// The application object: starts the program up, runs the main window, shuts
// down, and holds the state the windows and the hand-off share.
class CLoginApp {
public:
    CLoginApp();
    ~CLoginApp();

    // Start-up, the main window's modal run and shut-down; returns the
    // process's exit code.
    int InitInstance();

    // The hand-off's first step: replaces m_strLaunchArgs with `text`,
    // narrowed.
    void StoreLaunchArgs(const std::u16string& text);
    // Makes sure the game launcher is in the game folder and starts it with
    // m_strLaunchArgs; then the program is asked to end, unless the
    // launcher could not be fetched.
    void FetchAndStartLauncher();

    // The script bridge that pages reach as window.external.
    std::unique_ptr<CImpIDispatch> m_pDispatch;
    // The launch argument string, narrow. Written only by StoreLaunchArgs,
    // read by the launcher start.
    std::string m_strLaunchArgs;
    // Makes every browser the program's windows create, with its host policy.
    std::unique_ptr<CCustomOccManager> m_pOccManager;
    // What the hand-off shows its progress and messages in.
    CProgramWindows m_windows;
};

// The one application object.
extern CLoginApp theApp;
