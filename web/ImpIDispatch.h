#pragma once

class CLoginActiveDlg;

// The object page scripts see as window.external. It hands what pages pass
// to the login window it is given as its owner; without an owner, calls are
// ignored.
class CImpIDispatch {
public:
    CLoginActiveDlg* m_pOwner = nullptr;
};
