#pragma once

#include "platform/DialogWindow.h"

class CLoginDlg;

// The login window: lies exactly over the main window's picture and carries
// the login page and the two title buttons.
class CLoginActiveDlg : public CDialogWindow {
public:
    explicit CLoginActiveDlg(CLoginDlg* pParent);
    ~CLoginActiveDlg() override = default;

private:
    CLoginDlg* m_pParent;
};
