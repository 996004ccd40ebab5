#include "web/LoginActiveDlg.h"

#include <string>

#include "handoff/AppLogin.h"
#include "platform/GameMode.h"
#include "platform/MessageBox.h"
#include "platform/MessageLoop.h"
#include "platform/TextCodec.h"
#include "res/ResourceIds.h"
#include "ui/ConfirmDlg.h"
#include "web/BrowserEvents.h"
#include "web/CallbackAddress.h"
#include "web/CustomControlSite.h"
#include "web/CustomOccManager.h"
#include "web/LoginPageGuard.h"

namespace {

// Where the items sit, in the window's own pixels: the browser over the
// picture's panel, the buttons on its frame's upper right corner. The
// minimise button's window is taller than its face; below the face it shows
// key colour like the rest.
constexpr CRect kBrowserRect{560, 177, 631, 446};
constexpr CRect kMinimizeRect{1173, 137, 39, 75};
constexpr CRect kCloseRect{1208, 115, 54, 54};

}  // namespace

CLoginActiveDlg::CLoginActiveDlg(IBackgroundWindow* pParent, CLoginWindowSetup setup)
    : CDialogWindow(kLoginDialogId),
      m_pParent(pParent),
      m_setup(std::move(setup)),
      m_face(kBrowserRect, {{&m_btnMin, kMinimizeRect}, {&m_btnClose, kCloseRect}}) {
    LieOverOwner();
}

CLoginActiveDlg::~CLoginActiveDlg() {
    if (GetDialogOwner() == this) {
        SetDialogOwner(nullptr);
    }
    // The site goes last: no answer of its page reaches this object after
    // it, and the guard and the events watch its browser until then.
    m_pGuard.reset();
    m_pEvents.reset();
    m_pSite.reset();
}

bool CLoginActiveDlg::OnInitDialog() {
    m_btnMin.SubclassDlgItem(GetDlgItem(kLoginMinimizeItem));
    m_btnClose.SubclassDlgItem(GetDlgItem(kLoginCloseItem));

    GetDlgItem(kLoginBrowserItem)->Place(kBrowserRect);
    // The browser is made later, by StartBrowser.

    m_btnMin.StartGraphics();
    m_btnClose.StartGraphics();
    m_btnMin.SetImage(kMinimizeStripId);
    m_btnClose.SetImage(kCloseStripId);
    GetDlgItem(kLoginMinimizeItem)->Place(kMinimizeRect);
    GetDlgItem(kLoginCloseItem)->Place(kCloseRect);
    GetDlgItem(kLoginMinimizeItem)->SetAccessibleName("最小化");
    // Game mode shows one window at a time, with nothing to bring a
    // minimised one back by.
    GetDlgItem(kLoginMinimizeItem)->Show(!IsGameMode());
    GetDlgItem(kLoginCloseItem)->SetAccessibleName("关闭");
    ConnectButtons();
    UpdateShape();
    // Messages and the download's window stand over this window, the topmost
    // of the program's own.
    SetDialogOwner(this);
    return true;
}

void CLoginActiveDlg::OnPaint(cairo_t* cr) {
    // A layer lies on its owner's window, which has drawn the picture
    // already; a window of its own paints it under its items.
    m_face.Paint(cr, m_pParent != nullptr && !IsLayer() ? m_pParent->GetPicture() : nullptr,
                 !IsLayer());
}

// Starting the web engine takes the program's time and the machine's for a
// good while: it waits until the main window's picture is on the screen, so
// that the player sees the windows first. The page is loaded once this
// window is on the screen too, and the browser is hidden from the player
// until its first navigation completes (never an empty browser) by cutting
// it out of the window's shape. Hiding the widget itself, or loading into a
// view that is not mapped yet, sends the engine down a path where large
// pages take tens of seconds to lay out. Whichever of the two comes last,
// the picture's first draw or this window's map, starts it, once.
void CLoginActiveDlg::StartBrowser() {
    if (m_bBrowserStarted || !IsMapped() || (m_pParent != nullptr && !m_pParent->PictureDrawn())) {
        return;
    }
    m_bBrowserStarted = true;
    CreateBrowser();
    m_browser.Navigate(m_setup.loginUrl);
}

void CLoginActiveDlg::OnBackgroundDrawn() {
    StartBrowser();
}

void CLoginActiveDlg::CreateBrowser() {
    if (m_setup.pOccManager == nullptr) {
        return;
    }
    m_pSite = m_setup.pOccManager->CreateSite();
    m_pSite->PlaceIn(*this, kLoginBrowserItem, kBrowserRect.width, kBrowserRect.height);
    m_browser.Attach(*m_pSite);
    m_pEvents = std::make_unique<CBrowserEvents>(
        *m_pSite, CBrowserEventSink{
                      [this](const std::u16string& url) { OnNavigateComplete2(url); },
                      [this](const std::u16string& url) { OnDocumentComplete(url); },
                      [this](const std::u16string& url) { OnBeforeNavigate2(url); },
                      [this](const std::u16string& href) { OnLinkClick(href); },
                  });
    m_pSite->SetLoginUrl(Utf8FromWide(m_setup.loginUrl));
    // After the browser events, so that they see every load as it is.
    m_pGuard = std::make_unique<CLoginPageGuard>(*m_pSite, Utf8FromWide(m_setup.loginUrl));
    m_pSite->SetOnPointerMotion([this] { OnNcHitTest(); });
}

void CLoginActiveDlg::ConnectButtons() {
    m_btnMin.m_onFaceChanged = [this] { UpdateShape(); };
    m_btnClose.m_onFaceChanged = [this] { UpdateShape(); };
    GetDlgItem(kLoginMinimizeItem)->OnClicked([this] { OnMinimize(); });
    GetDlgItem(kLoginCloseItem)->OnClicked([this] { OnCloseButton(); });
    // The pointer moving over any item (the buttons, the browser) makes this
    // window the leader, as over the window's own surface.
    for (const int id : {kLoginMinimizeItem, kLoginCloseItem}) {
        GetDlgItem(id)->OnPointerMotion([this] { OnNcHitTest(); });
    }
}

void CLoginActiveDlg::UpdateShape() {
    m_face.UpdateShape(*this, m_bBrowserShown);
}

// The page takes the keyboard as it first shows; from then on it goes where
// the player takes it.
void CLoginActiveDlg::ShowBrowser() {
    if (!m_bBrowserShown) {
        m_bBrowserShown = true;
        UpdateShape();
        if (m_pSite != nullptr) {
            m_pSite->SetFocus();
        }
    }
}

void CLoginActiveDlg::OnMove() {
    if (m_pParent == nullptr) {
        return;
    }
    CDialogWindow& parent = m_pParent->GetWindow();
    if (m_pParent->BackgroundLeads()) {
        // The main window leads. Only a window manager moves this window
        // then (placing it when it first shows, say): it goes back on top of
        // the main window.
        if (!IsAlignedWith(parent)) {
            AlignWith(parent);
        }
        return;
    }
    parent.AlignWith(*this);
}

// The buttons load their strips for the new scale and call UpdateShape; the
// browser's place in screen pixels changes even without them.
void CLoginActiveDlg::OnScaleChanged() {
    UpdateShape();
}

void CLoginActiveDlg::OnMapped() {
    StartBrowser();
    OnMove();
    // Some window managers place a window after it has been mapped, and say
    // nothing of it to the window itself: look once more when they are done.
    m_placedTimer.StartOnce(250, [this] { OnMove(); });
}

HitTest CLoginActiveDlg::OnNcHitTest() {
    if (m_pParent != nullptr) {
        m_pParent->SetBackgroundLeads(false);
    }
    return HitTest::Caption;
}

CHandoffSequence CLoginActiveDlg::Handoff() {
    return {m_setup.storeLaunchArgs,
            [this] {
                // The partner's pop-ups have done their part: nothing of the
                // sign-in stays over the download and the game.
                if (m_pSite != nullptr) {
                    m_pSite->ClosePopups();
                }
                // The engine paints nothing while the page's script waits:
                // the page's last look stays on screen meanwhile.
                if (m_pSite != nullptr && m_bBrowserShown) {
                    m_face.FreezePage(m_pSite->SnapshotPage(GetScaleFactor()));
                    Invalidate();
                }
                if (m_setup.fetchAndStartLauncher) {
                    m_setup.fetchAndStartLauncher();
                }
                m_face.ThawPage();
            },
            [this] { DisconnectLinkEvents(); }};
}

void CLoginActiveDlg::OnAppLogin(const std::u16string& json) {
    HandleAppLogin(json, Handoff());
}

void CLoginActiveDlg::OnNavigateComplete2(const std::u16string& url) {
    ShowBrowser();
    // Any page may send the browser to an address that looks like a
    // callback: only the portal's own are one.
    if (!m_setup.portalOrigins.Holds(Utf8FromWide(url))) {
        return;
    }
    if (IsCodeCallback(url)) {
        Handoff().Run(url);
    } else if (IsQueryCallback(url)) {
        if (const std::optional<std::u16string> args = QueryCallbackLaunchArgs(url)) {
            Handoff().Run(*args);
        }
    }
}

void CLoginActiveDlg::OnDocumentComplete(const std::u16string& url) {
    if (url.find(u"about:blank") != std::u16string::npos) {
        return;
    }
    const std::optional<CHtmlDocument> document = m_browser.GetDocument();
    if (!document) {
        return;
    }
    document->GetLinkTargets(
        [this, document = *document](const std::vector<std::u16string>& targets) {
            SubscribeNewLinks(document, targets);
        });
}

void CLoginActiveDlg::SubscribeNewLinks(const CHtmlDocument& document,
                                        const std::vector<std::u16string>& targets) {
    LinkRequest request = m_links.ChooseNew(targets);
    if (request.links.empty()) {
        return;
    }
    document.SubscribeLinks(request.links, [this, document,
                                            request](const std::vector<uint32_t>& made) {
        if (const std::vector<uint32_t> surplus = m_links.Record(request, made); !surplus.empty()) {
            document.UnsubscribeLinks(surplus);
        }
    });
}

void CLoginActiveDlg::DisconnectLinkEvents() {
    const std::vector<uint32_t> cookies = m_links.Clear();
    if (const std::optional<CHtmlDocument> document = m_browser.GetDocument();
        document && !cookies.empty()) {
        document->UnsubscribeLinks(cookies);
    }
}

void CLoginActiveDlg::OnBeforeNavigate2(const std::u16string&) {
    // Every navigation goes ahead, its address unchanged.
}

void CLoginActiveDlg::OnLinkClick(const std::u16string& href) {
    // The target is read and the click goes on to its link.
    (void)href;
}

void CLoginActiveDlg::OnMinimize() {
    if (m_pParent != nullptr) {
        m_pParent->GetWindow().ShowWindow(SW_MINIMIZE);
    }
}

void CLoginActiveDlg::OnCloseButton() {
    CConfirmDlg confirm;
    confirm.m_nMode = 0;
    // Owned by this window rather than the main one: a window manager that
    // raises a dialog's owner with it (openbox does) then keeps the order
    // dialog, login window, main window, and the page stays in sight.
    if (confirm.DoModal(this) == IDOK) {
        PostQuitMessage(kQuitExitCode);
    }
}
