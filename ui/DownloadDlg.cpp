#include "ui/DownloadDlg.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "platform/MessageBox.h"
#include "platform/MessageLoop.h"
#include "platform/OwnedPtr.h"
#include "platform/TextCodec.h"
#include "res/ResourceIds.h"
#include "ui/TransferText.h"

namespace {

// The face's size, and where its groove lies; the artwork generator draws
// the pictures to these sizes (tools/artwork/artwork.h).
constexpr int kWidth = 360;
constexpr int kHeight = 160;
constexpr CRect kBar{24, 52, 312, 14};
constexpr int kFillInset = 2;

constexpr unsigned kRefreshMilliseconds = 100;
// A transfer over within this time shows no window at all.
constexpr unsigned kRevealMilliseconds = 300;
// Enter and Space pressed within this time of the window showing were meant
// for the page (a second press of the Enter that logged in, a bouncing pad
// button): the player has not read the window yet.
constexpr unsigned kFirstAnswerMilliseconds = 800;
// How far the sweeping piece of fill moves at each refresh.
constexpr int kSweepStep = 12;

// Text straight on the face, in the program's CJK font.
void StyleLabel(CWindowItem* label, const char* size, const char* colour) {
    label->SetTextLook(std::string(size) + " \"Noto Sans CJK SC\"", colour);
}

void PaintPicture(cairo_t* cr, const std::unique_ptr<CPngImage>& picture, double x, double y) {
    if (picture && picture->IsValid()) {
        cairo_set_source_surface(cr, picture->GetSurface(), x, y);
        cairo_paint(cr);
    }
}

// A bar with fully rounded ends, as the groove and its fill have.
void Capsule(cairo_t* cr, double x, double y, double width, double height) {
    const double r = std::min(width, height) / 2;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + width - r, y + height / 2, r, -M_PI / 2, M_PI / 2);
    cairo_arc(cr, x + r, y + height / 2, r, M_PI / 2, 3 * M_PI / 2);
    cairo_close_path(cr);
}

}  // namespace

CDownloadDlg::CDownloadDlg(std::u16string_view title, TransferProgress& progress)
    : CDialogWindow(kDownloadDialogId), m_strTitle(Utf8FromWide(title)), m_progress(progress) {}

// The timer stops as it goes, and the window lets the input go as it does.
CDownloadDlg::~CDownloadDlg() = default;

bool CDownloadDlg::OnInitDialog() {
    SetWindowText(m_strTitle);
    LoadPictures();

    m_btnCancel.SubclassDlgItem(GetDlgItem(kDownloadCancelItem));
    m_btnCancel.StartGraphics();
    m_btnCancel.SetImage(kCancelStripId);
    GetDlgItem(kDownloadCancelItem)->Place({(kWidth - 74) / 2, 122, 74, 26});
    GetDlgItem(kDownloadCancelItem)->OnClicked([this] { RequestCancel(); });
    GetDlgItem(kDownloadCancelItem)->SetAccessibleName("取消");
    // The window's one button has the keyboard: Enter and Space press it,
    // once the player has had a moment to see it.
    GetDlgItem(kDownloadCancelItem)->SetFocus();
    IgnoreEarlyKeys(kFirstAnswerMilliseconds);

    LayOutTexts();

    MoveWindow({0, 0, kWidth, kHeight});
    CenterWindow();
    Refresh();
    m_refreshTimer.StartRepeating(kRefreshMilliseconds, [this] {
        Refresh();
        return true;
    });
    HoldInput(true);
    return true;
}

void CDownloadDlg::LayOutTexts() {
    GetDlgItem(kDownloadTitleItem)->SetText(m_strTitle);
    StyleLabel(GetDlgItem(kDownloadTitleItem), "12pt", "#ffffff");
    StyleLabel(GetDlgItem(kDownloadSizesItem), "9pt", "#ffffff");
    StyleLabel(GetDlgItem(kDownloadSpeedItem), "9pt", "#ffffff");
    StyleLabel(GetDlgItem(kDownloadTimeLeftItem), "9pt", "#d8d2c4");
    StyleLabel(GetDlgItem(kDownloadRetryItem), "9pt", "#f0cf86");
    // The title in the face's band, between its flourishes.
    GetDlgItem(kDownloadTitleItem)->Place({0, 6, kWidth, 31});
    GetDlgItem(kDownloadSizesItem)->Place({kBar.x, 72, 200, 20});
    GetDlgItem(kDownloadSpeedItem)->Place({kBar.x + 200, 72, kBar.width - 200, 20});
    GetDlgItem(kDownloadTimeLeftItem)->Place({kBar.x, 94, 200, 20});
    GetDlgItem(kDownloadRetryItem)->Place({kBar.x + 200, 94, kBar.width - 200, 20});
}

void CDownloadDlg::Reveal() {
    if (!IsWindow()) {
        return;
    }
    // A modal window takes the input itself as it shows: nothing slips
    // through between the two, since no event is handled in between.
    HoldInput(false);
    CenterWindow();
    ShowWindow(SW_SHOWNORMAL);
}

void CDownloadDlg::RequestCancel() {
    // Keys the player meant for the windows beneath come here while this
    // window is still hidden; they must not stop a transfer the player has
    // not even seen.
    if (IsWindowVisible()) {
        m_progress.cancelRequested = true;
    }
}

void CDownloadDlg::Refresh() {
    if (!IsWindow()) {
        return;
    }
    const uint64_t received = m_progress.received;
    m_speed.Sample(received, CSpeedMeter::Clock::now());
    const TransferTexts texts =
        m_progress.countsBytes
            ? DescribeTransfer(received, m_progress.total, m_speed.BytesPerSecond(),
                               m_progress.retry, m_progress.retryLimit)
            : TransferTexts{};
    ShowText(kDownloadSizesItem, texts.sizes);
    ShowText(kDownloadSpeedItem, texts.speed);
    ShowText(kDownloadTimeLeftItem, texts.timeLeft);
    ShowText(kDownloadRetryItem, texts.retry);
    if (!texts.fraction) {
        ++m_nSweep;
    }
    if (!texts.fraction || texts.fraction != m_fraction) {
        m_fraction = texts.fraction;
        InvalidateRect(kBar);
    }
}

void CDownloadDlg::ShowText(int id, const std::string& text) {
    // Setting the same text again would lay the window out anew ten times
    // a second for nothing.
    CWindowItem* label = GetDlgItem(id);
    if (text != label->GetText()) {
        label->SetText(text);
    }
}

void CDownloadDlg::LoadPictures() {
    m_nPictureScale = GetScaleFactor();
    m_pFace = LoadPngImage(kDownloadFaceId, m_nPictureScale);
    m_pTrack = LoadPngImage(kProgressTrackId, m_nPictureScale);
    m_pFill = LoadPngImage(kProgressFillId, m_nPictureScale);
}

void CDownloadDlg::OnPaint(cairo_t* cr) {
    if (m_nPictureScale != GetScaleFactor()) {
        LoadPictures();
    }
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    PaintPicture(cr, m_pFace, 0, 0);
    cairo_restore(cr);
    PaintBar(cr);
}

void CDownloadDlg::PaintBar(cairo_t* cr) {
    PaintPicture(cr, m_pTrack, kBar.x, kBar.y);
    const double x = kBar.x + kFillInset;
    const double y = kBar.y + kFillInset;
    const double width = kBar.width - 2 * kFillInset;
    const double height = kBar.height - 2 * kFillInset;
    double from = 0;
    double length = 0;
    if (m_fraction) {
        length = *m_fraction * width;
    } else {
        // A quarter of the groove, entering at the left and leaving at the
        // right, round and round.
        length = width / 4;
        from = double(m_nSweep * kSweepStep % int(width + length)) - length;
    }
    if (length <= 0) {
        return;
    }
    cairo_save(cr);
    Capsule(cr, x, y, width, height);
    cairo_clip(cr);
    Capsule(cr, x + from, y, length, height);
    cairo_clip(cr);
    PaintPicture(cr, m_pFill, kBar.x, kBar.y);
    cairo_restore(cr);
}

void CDownloadDlg::RunWithWindow(std::u16string_view title, TransferProgress& progress,
                                 const std::function<void()>& work) {
    CDownloadDlg dialog(title, progress);
    std::atomic<bool> finished{false};
    CTimer reveal;
    if (dialog.Create(GetDialogOwner(), false)) {
        reveal.StartOnce(kRevealMilliseconds, [&] {
            // The work may have ended a moment ago, its end still queued
            // behind this timer: a window shown now would only flash.
            if (!finished) {
                dialog.Reveal();
            }
        });
    }
    // The program's windows keep painting meanwhile; the dialog, hidden or
    // shown, keeps their input.
    RunOnWorkerThread([&] {
        struct Done {
            std::atomic<bool>& finished;
            ~Done() { finished = true; }
        } done{finished};
        work();
    });
}
