#include "web/LoginActiveDlg.h"

namespace {

constexpr int kTemplateId = 132;

}  // namespace

CLoginActiveDlg::CLoginActiveDlg(CLoginDlg* pParent) : CDialogWindow(kTemplateId), m_pParent(pParent) {}
