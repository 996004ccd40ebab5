#include "ui/LayeredPng.h"

#include "ui/UpdateLayeredTool.h"

void CLayeredPng::UpdateLayered() {
    if (!m_picture.m_pImage || m_hTargetWnd == nullptr || !GTK_IS_WINDOW(m_hTargetWnd)) {
        return;
    }
    UpdateLayeredTool::Instance().UpdateLayeredWindow(m_hTargetWnd,
                                                      m_picture.m_pImage->GetSurface());
}
