#include "ui/ConfirmDlg.h"

#include "platform/Bitmap.h"
#include "platform/OwnedPtr.h"
#include "platform/Resources.h"
#include "res/ResourceIds.h"

namespace {

constexpr int kWidth = 256;  // the bitmap's size
constexpr int kHeight = 110;

// The bitmap, as a surface; null when it cannot be read.
CairoSurfacePtr LoadBitmap(int id) {
    const std::optional<CResourceBytes> bytes = FindResource(id, ResourceType::Bitmap);
    return bytes ? DecodeBitmap(bytes->Data(), bytes->Size()) : nullptr;
}

}  // namespace

CConfirmDlg::CConfirmDlg() : CDialogWindow(kConfirmDialogId) {}

CConfirmDlg::~CConfirmDlg() = default;

bool CConfirmDlg::OnInitDialog() {
    m_btnConfirm.SubclassDlgItem(GetDlgItem(kConfirmOkItem));
    m_btnCancel.SubclassDlgItem(GetDlgItem(kConfirmCancelItem));
    LoadFace();

    m_btnConfirm.StartGraphics();
    m_btnConfirm.SetImage(kConfirmStripId);
    m_btnCancel.StartGraphics();
    m_btnCancel.SetImage(kCancelStripId);

    // The bitmap's size, over the owner's middle.
    MoveWindow({0, 0, kWidth, kHeight});
    CenterWindow();

    // Each button reaches to the dialog's right edge: its face sits at its
    // left, and the cancel button lies over the confirm button's right part,
    // so a press left of x 140 confirms and one from there on cancels.
    CWindowItem* confirm = GetDlgItem(kConfirmOkItem);
    CWindowItem* cancel = GetDlgItem(kConfirmCancelItem);
    confirm->Place({40, 72, kWidth - 40, 26});
    cancel->Place({140, 72, kWidth - 140, 26});
    confirm->OnClicked([this] { EndDialog(IDOK); });
    cancel->OnClicked([this] { EndDialog(IDCANCEL); });
    confirm->SetAccessibleName("确定");
    cancel->SetAccessibleName("取消");
    // As a classic dialog: 确定 has the keyboard and shows it, Tab and
    // Shift+Tab go between the two, Enter and Space press the one that has
    // it (the window's own keys do that, before any handler of ours).
    confirm->SetFocus();

    CWindowItem* title = GetDlgItem(kConfirmTitleItem);
    CWindowItem* question = GetDlgItem(kConfirmQuestionItem);
    title->SetTextLook("12pt Arial", "#ffffff");
    question->SetTextLook("10pt SimSun", "#ffffff");
    if (m_nMode == 0) {
        title->SetText("关闭游戏");
        question->SetText("确定要退出游戏吗?");
    }
    title->Place({79, 10, 100, 30});
    question->Place({28, 34, 200, 66});
    // Both texts hang from the top of their places, as a window's static
    // text does: centred in its 30 pixels, the title would run into the
    // question below it.
    title->HangTextFromTop();
    question->HangTextFromTop();
    return true;
}

// On a window scaled by two or more, the face drawn for twice the pixels;
// elsewhere, or when it is missing, the bitmap (which cairo enlarges).
void CConfirmDlg::LoadFace() {
    m_nFaceScale = GetScaleFactor();
    m_pFace.reset();
    m_pBackground.reset();
    if (m_nFaceScale > 1) {
        m_pFace = LoadPngImage(kConfirmBackgroundId, m_nFaceScale, ResourceType::Bitmap);
        if (m_pFace && m_pFace->IsValid()) {
            return;
        }
        m_pFace.reset();
    }
    m_pBackground = LoadBitmap(kConfirmBackgroundId);
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
