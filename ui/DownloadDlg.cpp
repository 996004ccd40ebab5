#include "ui/DownloadDlg.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

#include "platform/MessageBox.h"
#include "platform/OwnedPtr.h"
#include "platform/ProgressWindow.h"
#include "platform/TextCodec.h"
#include "ui/TransferText.h"

namespace {

constexpr int kTemplateId = 180;
constexpr int kFaceId = 181;
constexpr int kTrackId = 182;
constexpr int kFillId = 183;
constexpr int kCancelStrip = 176;
constexpr int kTitleId = 1002;
constexpr int kSizesId = 1004;
constexpr int kSpeedId = 1005;
constexpr int kTimeLeftId = 1006;
constexpr int kRetryId = 1007;
constexpr int kCancelId = 1009;

// The face's size, and where its groove lies; the artwork generator draws
// the pictures to these sizes (tools/artwork/artwork.h).
constexpr int kWidth = 360;
constexpr int kHeight = 160;
constexpr CRect kBar{24, 52, 312, 14};
constexpr int kFillInset = 2;

constexpr guint kRefreshMilliseconds = 100;
// A transfer over within this time shows no window at all.
constexpr guint kRevealMilliseconds = 300;
// How far the sweeping piece of fill moves at each refresh.
constexpr int kSweepStep = 12;

void Place(GtkWidget* fixed, GtkWidget* item, const CRect& rect) {
    gtk_fixed_move(GTK_FIXED(fixed), item, rect.x, rect.y);
    gtk_widget_set_size_request(item, rect.width, rect.height);
}

// Text straight on the face, in the program's CJK font.
void StyleLabel(GtkWidget* label, const char* size, const char* colour) {
    const GObjectPtr<GtkCssProvider> css(gtk_css_provider_new());
    const std::string rules = std::string("label { background: none; color: ") + colour +
                              "; font: " + size + " \"Noto Sans CJK SC\"; }";
    gtk_css_provider_load_from_data(css.get(), rules.c_str(), -1, nullptr);
    gtk_style_context_add_provider(gtk_widget_get_style_context(label),
                                   GTK_STYLE_PROVIDER(css.get()),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
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
    cairo_arc(cr, x + width - r, y + height / 2, r, -G_PI / 2, G_PI / 2);
    cairo_arc(cr, x + r, y + height / 2, r, G_PI / 2, 3 * G_PI / 2);
    cairo_close_path(cr);
}

}  // namespace

CDownloadDlg::CDownloadDlg(std::u16string_view title, TransferProgress& progress)
    : CDialogWindow(kTemplateId), m_strTitle(Utf8FromWide(title)), m_progress(progress) {}

CDownloadDlg::~CDownloadDlg() {
    if (m_nRefreshTimer != 0) {
        g_source_remove(m_nRefreshTimer);
    }
    ReleaseInput();
}

bool CDownloadDlg::OnInitDialog() {
    GtkWindow* window = GetSafeHwnd();
    GtkWidget* client = gtk_bin_get_child(GTK_BIN(window));
    SetWindowText(m_strTitle);
    LoadPictures();
    g_signal_connect(window, "draw",
                     G_CALLBACK(+[](GtkWidget*, cairo_t* cr, CDownloadDlg* self) -> gboolean {
                         self->OnPaint(cr);
                         return FALSE;  // labels and the button draw over it
                     }),
                     this);

    m_btnCancel.SubclassDlgItem(GetDlgItem(kCancelId));
    m_btnCancel.StartGraphics();
    m_btnCancel.SetImage(kCancelStrip);
    Place(client, GetDlgItem(kCancelId), {(kWidth - 74) / 2, 122, 74, 26});
    g_signal_connect(GetDlgItem(kCancelId), "clicked",
                     G_CALLBACK(+[](GtkButton*, CDownloadDlg* self) { self->RequestCancel(); }),
                     this);

    LayOutTexts();

    MoveWindow({0, 0, kWidth, kHeight});
    CenterWindow();
    Refresh();
    m_nRefreshTimer = g_timeout_add(
        kRefreshMilliseconds,
        [](gpointer data) -> gboolean {
            static_cast<CDownloadDlg*>(data)->Refresh();
            return G_SOURCE_CONTINUE;
        },
        this);
    HoldInput();
    return true;
}

void CDownloadDlg::LayOutTexts() {
    GtkWidget* client = gtk_bin_get_child(GTK_BIN(GetSafeHwnd()));
    gtk_label_set_text(GTK_LABEL(GetDlgItem(kTitleId)), m_strTitle.c_str());
    StyleLabel(GetDlgItem(kTitleId), "12pt", "#ffffff");
    StyleLabel(GetDlgItem(kSizesId), "9pt", "#ffffff");
    StyleLabel(GetDlgItem(kSpeedId), "9pt", "#ffffff");
    StyleLabel(GetDlgItem(kTimeLeftId), "9pt", "#d8d2c4");
    StyleLabel(GetDlgItem(kRetryId), "9pt", "#f0cf86");
    // The title in the face's band, between its flourishes.
    Place(client, GetDlgItem(kTitleId), {0, 6, kWidth, 31});
    Place(client, GetDlgItem(kSizesId), {kBar.x, 72, 200, 20});
    Place(client, GetDlgItem(kSpeedId), {kBar.x + 200, 72, kBar.width - 200, 20});
    Place(client, GetDlgItem(kTimeLeftId), {kBar.x, 94, 200, 20});
    Place(client, GetDlgItem(kRetryId), {kBar.x + 200, 94, kBar.width - 200, 20});
}

void CDownloadDlg::Reveal() {
    if (GetSafeHwnd() == nullptr) {
        return;
    }
    // A modal window takes the input itself as it shows: nothing slips
    // through between the two, since no event is handled in between.
    ReleaseInput();
    CenterWindow();
    ShowWindow(SW_SHOWNORMAL);
}

void CDownloadDlg::RequestCancel() {
    // Keys the player meant for the windows beneath come here while this
    // window is still hidden; they must not stop a transfer the player has
    // not even seen.
    if (GetSafeHwnd() != nullptr && gtk_widget_get_visible(GTK_WIDGET(GetSafeHwnd()))) {
        m_progress.cancelRequested = true;
    }
}

void CDownloadDlg::HoldInput() {
    // Events that the grab turns to this window must find it realized,
    // even while it is not on the screen.
    GtkWidget* window = GTK_WIDGET(GetSafeHwnd());
    gtk_widget_realize(window);
    gtk_grab_add(window);
    m_bHoldsInput = true;
}

void CDownloadDlg::ReleaseInput() {
    if (m_bHoldsInput && GetSafeHwnd() != nullptr) {
        gtk_grab_remove(GTK_WIDGET(GetSafeHwnd()));
    }
    m_bHoldsInput = false;
}

void CDownloadDlg::Refresh() {
    if (GetSafeHwnd() == nullptr) {
        return;
    }
    const uint64_t received = m_progress.received;
    m_speed.Sample(received, CSpeedMeter::Clock::now());
    const TransferTexts texts =
        m_progress.countsBytes
            ? DescribeTransfer(received, m_progress.total, m_speed.BytesPerSecond(),
                               m_progress.retry, m_progress.retryLimit)
            : TransferTexts{};
    ShowText(kSizesId, texts.sizes);
    ShowText(kSpeedId, texts.speed);
    ShowText(kTimeLeftId, texts.timeLeft);
    ShowText(kRetryId, texts.retry);
    if (!texts.fraction) {
        ++m_nSweep;
    }
    if (!texts.fraction || texts.fraction != m_fraction) {
        m_fraction = texts.fraction;
        gtk_widget_queue_draw_area(GTK_WIDGET(GetSafeHwnd()), kBar.x, kBar.y, kBar.width,
                                   kBar.height);
    }
}

void CDownloadDlg::ShowText(int id, const std::string& text) {
    // Setting the same text again would lay the window out anew ten times
    // a second for nothing.
    GtkLabel* label = GTK_LABEL(GetDlgItem(id));
    if (text != gtk_label_get_text(label)) {
        gtk_label_set_text(label, text.c_str());
    }
}

void CDownloadDlg::LoadPictures() {
    m_nPictureScale = GetScaleFactor();
    m_pFace = LoadPngImage(kFaceId, m_nPictureScale);
    m_pTrack = LoadPngImage(kTrackId, m_nPictureScale);
    m_pFill = LoadPngImage(kFillId, m_nPictureScale);
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

namespace {

// The work on its own thread, and the main loop that runs until it is done.
struct Wait {
    Wait() : loop(g_main_loop_new(nullptr, FALSE)) {}
    ~Wait() { g_main_loop_unref(loop); }

    GMainLoop* loop;
    CDownloadDlg* dialog = nullptr;
    guint revealTimer = 0;
    std::atomic<bool> finished{false};
};

gboolean OnRevealTime(gpointer data) {
    auto* wait = static_cast<Wait*>(data);
    wait->revealTimer = 0;
    // The work may have ended a moment ago, its end still queued behind
    // this timer: a window shown now would only flash.
    if (!wait->finished) {
        wait->dialog->Reveal();
    }
    return G_SOURCE_REMOVE;
}

gboolean OnWorkDone(gpointer data) {
    g_main_loop_quit(static_cast<Wait*>(data)->loop);
    return G_SOURCE_REMOVE;
}

}  // namespace

void RunWithProgressWindow(std::u16string_view title, TransferProgress& progress,
                           const std::function<void()>& work) {
    CDownloadDlg dialog(title, progress);
    Wait wait;
    wait.dialog = &dialog;
    if (dialog.Create(GetDialogOwner(), false)) {
        wait.revealTimer = g_timeout_add(kRevealMilliseconds, OnRevealTime, &wait);
    }

    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        wait.finished = true;
        g_idle_add(OnWorkDone, &wait);
    });
    // The program's windows keep painting while this loop runs; the
    // dialog, hidden or shown, keeps their input.
    g_main_loop_run(wait.loop);
    worker.join();

    if (wait.revealTimer != 0) {
        g_source_remove(wait.revealTimer);
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}
