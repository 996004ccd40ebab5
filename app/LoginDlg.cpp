#include "app/LoginDlg.h"

#include "app/LoginApp.h"
#include "platform/AlphaShape.h"
#include "platform/Resources.h"
#include "res/ResourceIds.h"
#include "ui/PngImage.h"
#include "web/ImpIDispatch.h"
#include "web/LoginActiveDlg.h"

namespace {

// Exactly at `scale`: an icon of each size is drawn for it.
std::unique_ptr<CPngImage> LoadIcon(int id, int scale) {
    std::optional<CResourceBytes> bytes = FindResource(id, ResourceType::Icon, scale);
    if (!bytes) {
        return nullptr;
    }
    auto image = std::make_unique<CPngImage>(std::move(*bytes), scale);
    return image->IsValid() ? std::move(image) : nullptr;
}

}  // namespace

CLoginDlg::CLoginDlg(CLoginWindowSetup loginWindow)
    : CDialogWindow(kMainDialogId), m_loginWindowSetup(std::move(loginWindow)) {}

CLoginDlg::~CLoginDlg() = default;

// The icon, and on a desktop that scales windows by two also the icon drawn
// for it, which the task bar there shows sharp.
void CLoginDlg::SetIcons() {
    std::vector<std::unique_ptr<CPngImage>> icons;
    std::vector<cairo_surface_t*> surfaces;
    for (const int scale : {1, 2}) {
        if (scale <= GetScaleFactor()) {
            if (std::unique_ptr<CPngImage> icon = LoadIcon(kAppIconId, scale)) {
                surfaces.push_back(icon->GetSurface());
                icons.push_back(std::move(icon));
            }
        }
    }
    CDialogWindow::SetIcons(surfaces);
}

// The login window's browser starts once the picture is on the screen.
void CLoginDlg::OnFirstFrameShown() {
    m_bPictureDrawn = true;
    if (m_pLoginDlg != nullptr) {
        m_pLoginDlg->OnBackgroundDrawn();
    }
}

bool CLoginDlg::OnInitDialog() {
    SetWindowText("Tharnvale");
    m_background.m_hTargetWnd = this;
    SetIcons();

    m_pLoginDlg = std::make_unique<CLoginActiveDlg>(this, std::move(m_loginWindowSetup));
    m_pLoginDlg->Create(this, false);
    if (theApp.m_pDispatch != nullptr) {
        theApp.m_pDispatch->m_pOwner = m_pLoginDlg.get();
    }

    if (m_background.m_picture.LoadFromResource(kMainBackgroundId, GetScaleFactor())) {
        const CPngImage& picture = *m_background.m_picture.m_pImage;
        MoveWindow({0, 0, picture.GetWidth(), picture.GetHeight()});
        // The picture's transparent margin may hang off a small screen; the
        // picture itself must not.
        const cairo_rectangle_int_t visible = VisibleBounds(picture.GetSurface());
        CenterWindow({visible.x, visible.y, visible.width, visible.height});
        if (m_pLoginDlg != nullptr) {
            m_pLoginDlg->MoveWindow(GetWindowRect());
        }
        m_background.UpdateLayered();
    }
    // The login window goes on screen once it has its place and size: a
    // window manager keeps a fixed-size window at the size it was first
    // shown with.
    if (m_pLoginDlg != nullptr) {
        m_pLoginDlg->ShowWindow(SW_SHOWNORMAL);
    }
    // This window leads until the pointer moves over the login window: where
    // a window manager first puts the login window must not pull this one
    // off the centre; its own first placement puts the login window back.
    m_bBackgroundLeads = 1;
    return true;
}

void CLoginDlg::OnMove() {
    if (m_pLoginDlg == nullptr || m_bBackgroundLeads != 1) {
        return;
    }
    m_pLoginDlg->AlignWith(*this);
    m_pLoginDlg->BringWindowToTop();
}

// The picture drawn for the new scale, where the program has one.
void CLoginDlg::OnScaleChanged() {
    if (m_background.m_picture.LoadFromResource(kMainBackgroundId, GetScaleFactor())) {
        m_background.UpdateLayered();
    }
    SetIcons();
}

// A window manager may raise this window over the login window when the
// player presses on it; the login window always lies on top.
void CLoginDlg::OnActivate() {
    if (m_pLoginDlg != nullptr) {
        m_pLoginDlg->BringWindowToTop();
    }
}

HitTest CLoginDlg::OnNcHitTest() {
    m_bBackgroundLeads = 1;
    // Every press on the picture drags the window; transparent pixels never
    // get here, the window's shape sends them to what lies below.
    return HitTest::Caption;
}

void CLoginDlg::OnShowWindow(bool show) {
    if (m_pLoginDlg != nullptr) {
        m_pLoginDlg->ShowWindow(show ? SW_SHOWNORMAL : SW_HIDE);
    }
}

// The login window goes to the task bar with its owner and comes back with it.
void CLoginDlg::OnMinimized(bool minimized) {
    if (m_pLoginDlg != nullptr) {
        m_pLoginDlg->ShowWindow(minimized ? SW_HIDE : SW_SHOWNORMAL);
    }
}

void CLoginDlg::OnClose() {
    EndDialog(IDOK);
}
