// The exit confirmation under an X server, in this process: where the
// keyboard is as it shows, how each key answers it, and what a screen
// reader reads on its buttons.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/DialogWindow.h"
#include "tests/gui/GtkTestSupport.h"
#include "ui/ConfirmDlg.h"

namespace {

constexpr char kTitle[] = "关闭游戏";

struct Key {
    guint keyval;
    GdkModifierType state = GdkModifierType(0);
};

struct KeyAnswer {
    const char* name;
    std::vector<Key> keys;
    int result;
};

// What the player's keys answer: 确定 has the keyboard at first, Tab and
// Shift+Tab go round the two buttons, Enter, keypad Enter and Space press
// the one that has it, Esc cancels.
const KeyAnswer kAnswers[] = {
    {"Enter", {{GDK_KEY_Return}}, IDOK},
    {"KeypadEnter", {{GDK_KEY_KP_Enter}}, IDOK},
    {"Space", {{GDK_KEY_space}}, IDOK},
    {"TabThenEnter", {{GDK_KEY_Tab}, {GDK_KEY_Return}}, IDCANCEL},
    {"TabTwiceComesBackToConfirm", {{GDK_KEY_Tab}, {GDK_KEY_Tab}, {GDK_KEY_space}}, IDOK},
    {"ShiftTabGoesRoundToCancel",
     {{GDK_KEY_ISO_Left_Tab, GDK_SHIFT_MASK}, {GDK_KEY_Return}},
     IDCANCEL},
    {"Escape", {{GDK_KEY_Escape}}, IDCANCEL},
};

// Named in the tests' list by its name alone.
void PrintTo(const KeyAnswer& answer, std::ostream* out) {
    *out << answer.name;
}

std::string AccessibleName(GtkWidget* widget) {
    const char* name = atk_object_get_name(gtk_widget_get_accessible(widget));
    return name != nullptr ? name : "";
}

class ConfirmDlgKeys : public testing::TestWithParam<KeyAnswer> {
protected:
    void TearDown() override {
        if (m_poll != 0 && g_main_context_find_source_by_id(nullptr, m_poll) != nullptr) {
            g_source_remove(m_poll);
        }
    }

    guint m_poll = 0;
};

}  // namespace

TEST_P(ConfirmDlgKeys, Answer) {
    const KeyAnswer& answer = GetParam();
    std::string firstFocus;
    std::vector<std::string> names;
    m_poll = WhenShown(kTitle, [&](GtkWindow* w) {
        GtkWidget* focus = gtk_window_get_focus(w);
        firstFocus = focus != nullptr ? AccessibleName(focus) : "nothing";
        GList* items = gtk_container_get_children(GTK_CONTAINER(gtk_bin_get_child(GTK_BIN(w))));
        for (GList* l = items; l != nullptr; l = l->next) {
            if (GTK_IS_BUTTON(l->data)) {
                names.push_back(AccessibleName(GTK_WIDGET(l->data)));
            }
        }
        g_list_free(items);
        PutFocusIn(gtk_widget_get_window(GTK_WIDGET(w)));
        for (const Key& key : answer.keys) {
            PutKey(gtk_widget_get_window(GTK_WIDGET(w)), key.keyval, key.state);
        }
    });
    CConfirmDlg confirm;
    EXPECT_EQ(confirm.DoModal(), answer.result);
    EXPECT_EQ(firstFocus, "确定");
    EXPECT_EQ(names, (std::vector<std::string>{"确定", "取消"}));
}

INSTANTIATE_TEST_SUITE_P(ConfirmDlgTest, ConfirmDlgKeys, testing::ValuesIn(kAnswers),
                         [](const testing::TestParamInfo<KeyAnswer>& info) {
                             return std::string(info.param.name);
                         });
