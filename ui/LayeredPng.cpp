#include "ui/LayeredPng.h"

#include "ui/UpdateLayeredTool.h"

UpdateLayeredTool& UpdateLayeredTool::Instance() {
    static UpdateLayeredTool tool;
    return tool;
}

void CLayeredPng::UpdateLayered() {
    if (!m_picture.m_pImage || m_hTargetWnd == nullptr || !m_hTargetWnd->IsWindow()) {
        return;
    }
    UpdateLayeredTool::Instance().UpdateLayeredWindow(*m_hTargetWnd,
                                                      m_picture.m_pImage->GetSurface());
}
