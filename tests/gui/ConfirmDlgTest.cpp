// The exit confirmation's keys, in this process under an X server: 确定 has
// the keyboard at first, Tab and Shift+Tab go round the two buttons, Enter,
// keypad Enter and Space press the one that has it, Esc cancels.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/DialogWindow.h"
#include "tests/gui/GtkTestSupport.h"
#include "ui/ConfirmDlg.h"

namespace {

struct KeyAnswer {
    const char* name;
    std::vector<guint> keys;  // Shift+Tab is ISO_Left_Tab with Shift held
    int result;
};

void PrintTo(const KeyAnswer& answer, std::ostream* out) {
    *out << answer.name;
}

const KeyAnswer kAnswers[] = {
    {"Enter", {GDK_KEY_Return}, IDOK},
    {"KeypadEnter", {GDK_KEY_KP_Enter}, IDOK},
    {"Space", {GDK_KEY_space}, IDOK},
    {"TabThenEnter", {GDK_KEY_Tab, GDK_KEY_Return}, IDCANCEL},
    {"TabTwiceComesBackToConfirm", {GDK_KEY_Tab, GDK_KEY_Tab, GDK_KEY_space}, IDOK},
    {"ShiftTabGoesRoundToCancel", {GDK_KEY_ISO_Left_Tab, GDK_KEY_Return}, IDCANCEL},
    {"Escape", {GDK_KEY_Escape}, IDCANCEL},
};

class ConfirmDlgKeys : public testing::TestWithParam<KeyAnswer> {};

}  // namespace

TEST_P(ConfirmDlgKeys, Answer) {
    const guint poll = WhenShown("关闭游戏", [](GtkWindow* w) {
        GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(w));
        PutFocusIn(window);
        for (const guint key : GetParam().keys) {
            PutKey(window, key, key == GDK_KEY_ISO_Left_Tab ? GDK_SHIFT_MASK : GdkModifierType(0));
        }
    });
    CConfirmDlg confirm;
    EXPECT_EQ(confirm.DoModal(), GetParam().result);
    if (g_main_context_find_source_by_id(nullptr, poll) != nullptr) {
        g_source_remove(poll);
    }
}

INSTANTIATE_TEST_SUITE_P(ConfirmDlgTest, ConfirmDlgKeys, testing::ValuesIn(kAnswers),
                         [](const testing::TestParamInfo<KeyAnswer>& info) {
                             return std::string(info.param.name);
                         });
