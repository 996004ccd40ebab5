#pragma once

#include <cairo.h>

#include <memory>
#include <string>
#include <string_view>

#include "platform/DialogWindow.h"
#include "ui/PngButton.h"
#include "ui/PngImage.h"

// A message with one 确定 button, drawn in the launcher's own look: for the
// game mode, where it stands as a layer over the launcher instead of a
// window of the desktop's. 确定 has the keyboard; it, Enter, Space and Esc
// all close it.
class CMessageDlg : public CDialogWindow {
public:
    CMessageDlg(std::u16string_view text, std::u16string_view caption);
    ~CMessageDlg() override;

    // Shows the message over the dialog owner and returns once it is closed.
    static void Show(std::u16string_view text, std::u16string_view caption);

protected:
    bool OnInitDialog() override;
    void OnPaint(cairo_t* cr) override;

private:
    std::string m_strText;
    std::string m_strCaption;
    CPngButton m_btnConfirm;
    std::unique_ptr<CPngImage> m_pFace;
};
