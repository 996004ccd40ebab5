#pragma once

#include <string>

// The application object: the state that the windows and the hand-off share.
class CLoginApp {
public:
    // The launch argument string, narrow. Written only by StoreLaunchArgs,
    // read by the launcher start.
    std::string m_strLaunchArgs;
};

extern CLoginApp theApp;
