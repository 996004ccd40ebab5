#include "ui/MessageDlg.h"

#include "platform/MessageBox.h"
#include "platform/MessageLoop.h"
#include "platform/TextCodec.h"
#include "res/ResourceIds.h"

namespace {

// The face's size: the download window's picture.
constexpr int kWidth = 360;
constexpr int kHeight = 160;

}  // namespace

CMessageDlg::CMessageDlg(std::u16string_view text, std::u16string_view caption)
    : CDialogWindow(kMessageDialogId),
      m_strText(Utf8FromWide(text)),
      m_strCaption(Utf8FromWide(caption)) {}

CMessageDlg::~CMessageDlg() = default;

void CMessageDlg::Show(std::u16string_view text, std::u16string_view caption) {
    // A program that is ending has nothing more to tell.
    if (IsQuitPosted()) {
        return;
    }
    CMessageDlg dialog(text, caption);
    dialog.DoModal(GetDialogOwner());
}

bool CMessageDlg::OnInitDialog() {
    SetWindowText(m_strCaption);
    m_pFace = LoadPngImage(kDownloadFaceId, GetScaleFactor());

    m_btnConfirm.SubclassDlgItem(GetDlgItem(kMessageOkItem));
    m_btnConfirm.StartGraphics();
    m_btnConfirm.SetImage(kConfirmStripId);
    CWindowItem* confirm = GetDlgItem(kMessageOkItem);
    confirm->Place({(kWidth - 74) / 2, 122, 74, 26});
    confirm->OnClicked([this] { EndDialog(IDOK); });
    confirm->SetAccessibleName("确定");
    confirm->SetFocus();

    CWindowItem* caption = GetDlgItem(kMessageCaptionItem);
    CWindowItem* text = GetDlgItem(kMessageTextItem);
    caption->SetTextLook("12pt \"Noto Sans CJK SC\"", "#ffffff");
    text->SetTextLook("10pt \"Noto Sans CJK SC\"", "#ffffff");
    caption->SetText(m_strCaption);
    text->SetText(m_strText);
    // The caption in the face's band, the message below it, over the
    // groove the download window's bar would fill.
    caption->Place({0, 6, kWidth, 31});
    text->Place({24, 44, kWidth - 48, 72});

    MoveWindow({0, 0, kWidth, kHeight});
    CenterWindow();
    return true;
}

void CMessageDlg::OnPaint(cairo_t* cr) {
    if (m_pFace && m_pFace->IsValid()) {
        cairo_set_source_surface(cr, m_pFace->GetSurface(), 0, 0);
        cairo_paint(cr);
    }
}
