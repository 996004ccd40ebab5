#include "ui/ConfirmDlg.h"

#include <gdk/gdk.h>

#include <string>

#include "platform/OwnedPtr.h"
#include "platform/Resources.h"

namespace {

constexpr int kTemplateId = 172;
constexpr int kBackgroundId = 177;
constexpr int kTitleId = 1002;
constexpr int kQuestionId = 1003;
constexpr int kConfirmId = 1008;
constexpr int kCancelId = 1009;
constexpr int kConfirmStrip = 175;
constexpr int kCancelStrip = 176;
constexpr int kWidth = 256;  // the bitmap's size
constexpr int kHeight = 110;

// The bitmap, as a surface; null when it cannot be read.
CairoSurfacePtr LoadBitmap(int id) {
    const std::optional<CResourceBytes> bytes = FindResource(id, ResourceType::Bitmap);
    if (!bytes) {
        return nullptr;
    }
    const GObjectPtr<GInputStream> stream(
        g_memory_input_stream_new_from_data(bytes->Data(), gssize(bytes->Size()), nullptr));
    const GObjectPtr<GdkPixbuf> pixbuf(gdk_pixbuf_new_from_stream(stream.get(), nullptr, nullptr));
    if (pixbuf == nullptr) {
        return nullptr;
    }
    return CairoSurfacePtr(gdk_cairo_surface_create_from_pixbuf(pixbuf.get(), 1, nullptr));
}

void Place(GtkWidget* fixed, GtkWidget* item, int x, int y, int width, int height) {
    gtk_fixed_move(GTK_FIXED(fixed), item, x, y);
    gtk_widget_set_size_request(item, width, height);
}

// White text straight on the bitmap, in `font`.
void StyleLabel(GtkWidget* label, const char* font) {
    const GObjectPtr<GtkCssProvider> css(gtk_css_provider_new());
    const std::string rules =
        std::string("label { color: #ffffff; background: none; font: ") + font + "; }";
    gtk_css_provider_load_from_data(css.get(), rules.c_str(), -1, nullptr);
    gtk_style_context_add_provider(gtk_widget_get_style_context(label),
                                   GTK_STYLE_PROVIDER(css.get()),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

}  // namespace

CConfirmDlg::CConfirmDlg() : CDialogWindow(kTemplateId) {}

CConfirmDlg::~CConfirmDlg() = default;

bool CConfirmDlg::OnInitDialog() {
    GtkWindow* window = GetSafeHwnd();
    GtkWidget* client = gtk_bin_get_child(GTK_BIN(window));
    m_btnConfirm.SubclassDlgItem(GetDlgItem(kConfirmId));
    m_btnCancel.SubclassDlgItem(GetDlgItem(kCancelId));
    LoadFace();
    g_signal_connect(window, "draw",
                     G_CALLBACK(+[](GtkWidget*, cairo_t* cr, CConfirmDlg* self) -> gboolean {
                         self->OnPaint(cr);
                         return FALSE;  // labels and buttons draw over it
                     }),
                     this);

    m_btnConfirm.StartGraphics();
    m_btnConfirm.SetImage(kConfirmStrip);
    m_btnCancel.StartGraphics();
    m_btnCancel.SetImage(kCancelStrip);

    // The bitmap's size, over the owner's middle.
    MoveWindow({0, 0, kWidth, kHeight});
    CenterWindow();

    // Each button reaches to the dialog's right edge: its face sits at its
    // left, and the cancel button lies over the confirm button's right part,
    // so a press left of x 140 confirms and one from there on cancels.
    Place(client, GetDlgItem(kConfirmId), 40, 72, kWidth - 40, 26);
    Place(client, GetDlgItem(kCancelId), 140, 72, kWidth - 140, 26);
    g_signal_connect(GetDlgItem(kConfirmId), "clicked",
                     G_CALLBACK(+[](GtkButton*, CConfirmDlg* self) { self->EndDialog(IDOK); }),
                     this);
    g_signal_connect(GetDlgItem(kCancelId), "clicked",
                     G_CALLBACK(+[](GtkButton*, CConfirmDlg* self) { self->EndDialog(IDCANCEL); }),
                     this);

    GtkWidget* title = GetDlgItem(kTitleId);
    GtkWidget* question = GetDlgItem(kQuestionId);
    StyleLabel(title, "12pt Arial");
    StyleLabel(question, "10pt SimSun");
    if (m_nMode == 0) {
        gtk_label_set_text(GTK_LABEL(title), "关闭游戏");
        gtk_label_set_text(GTK_LABEL(question), "确定要退出游戏吗?");
    }
    Place(client, title, 79, 10, 100, 30);
    Place(client, question, 28, 34, 200, 66);
    // Both texts hang from the top of their places, as a window's static
    // text does: centred in its 30 pixels, the title would run into the
    // question below it.
    gtk_label_set_yalign(GTK_LABEL(title), 0.0f);
    gtk_label_set_yalign(GTK_LABEL(question), 0.0f);
    return true;
}

// On a window scaled by two or more, the face drawn for twice the pixels;
// elsewhere, or when it is missing, the bitmap (which cairo enlarges).
void CConfirmDlg::LoadFace() {
    m_nFaceScale = GetScaleFactor();
    m_pFace.reset();
    m_pBackground.reset();
    if (m_nFaceScale > 1) {
        m_pFace = LoadPngImage(kBackgroundId, m_nFaceScale, ResourceType::Bitmap);
        if (m_pFace && m_pFace->IsValid()) {
            return;
        }
        m_pFace.reset();
    }
    m_pBackground = LoadBitmap(kBackgroundId);
}

void CConfirmDlg::OnPaint(cairo_t* cr) {
    if (m_nFaceScale != GetScaleFactor()) {
        LoadFace();
    }
    cairo_surface_t* face = m_pFace ? m_pFace->GetSurface() : m_pBackground.get();
    if (face == nullptr) {
        return;
    }
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, face, 0, 0);
    cairo_paint(cr);
}
