#include "app/LoginDlg.h"

#include "app/LoginApp.h"
#include "platform/Resources.h"
#include "ui/PngImage.h"
#include "web/ImpIDispatch.h"
#include "web/LoginActiveDlg.h"

namespace {

constexpr int kTemplateId = 102;
constexpr int kIconId = 128;
constexpr int kBackgroundId = 155;

// Read like the other pictures, which spares loading the toolkit's image
// loader modules at start-up.
GdkPixbuf* LoadIcon(int id) {
    const std::optional<CResourceBytes> bytes = FindResource(id, ResourceType::Icon);
    if (!bytes) {
        return nullptr;
    }
    const CPngImage image(bytes->Data(), bytes->Size());
    if (!image.IsValid()) {
        return nullptr;
    }
    return gdk_pixbuf_get_from_surface(image.GetSurface(), 0, 0, image.GetWidth(), image.GetHeight());
}

}  // namespace

CLoginDlg::CLoginDlg() : CDialogWindow(kTemplateId), m_hIcon(LoadIcon(kIconId)) {}

CLoginDlg::~CLoginDlg() {
    if (m_hIcon != nullptr) {
        g_object_unref(m_hIcon);
    }
}

bool CLoginDlg::OnInitDialog() {
    SetWindowText("Tharnvale");
    m_background.m_hTargetWnd = GetSafeHwnd();
    if (m_hIcon != nullptr) {
        gtk_window_set_icon(GetSafeHwnd(), m_hIcon);
    }

    // The login window comes first, so that its page starts loading while
    // the picture is put on screen.
    m_pLoginDlg = new CLoginActiveDlg(this);
    m_pLoginDlg->Create(this, false);
    if (theApp.m_pDispatch != nullptr) {
        theApp.m_pDispatch->m_pOwner = m_pLoginDlg;
    }

    if (m_background.m_picture.LoadFromResource(kBackgroundId)) {
        const CPngImage& picture = *m_background.m_picture.m_pImage;
        MoveWindow({0, 0, picture.GetWidth(), picture.GetHeight()});
        CenterWindow();
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
    CRect rect = m_pLoginDlg->GetWindowRect();
    const CRect mine = GetWindowRect();
    rect.x = mine.x;
    rect.y = mine.y;
    m_pLoginDlg->MoveWindow(rect);
    m_pLoginDlg->BringWindowToTop();
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

void CLoginDlg::OnClose() { EndDialog(IDOK); }
