#pragma once

#include <string>

class CCustomOccManager;
class CImpIDispatch;

// The application object: starts the program up, runs the main window, shuts
// down, and holds the state the windows and the hand-off share.
class CLoginApp {
public:
    // Start-up, the main window's modal run and shut-down; returns the
    // process's exit code.
    int InitInstance();

    // The script bridge that pages reach as window.external.
    CImpIDispatch* m_pDispatch = nullptr;
    // The launch argument string, narrow. Written only by StoreLaunchArgs,
    // read by the launcher start.
    std::string m_strLaunchArgs;
    // Makes every browser the program's windows create, with its host policy.
    CCustomOccManager* m_pOccManager = nullptr;
};

// The one application object, defined beside the program's entry point.
extern CLoginApp theApp;
