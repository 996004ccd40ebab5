// The platform's real windows under an X server: message box and quit
// request.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <string>

#include "platform/MessageBox.h"
#include "platform/MessageLoop.h"
#include "tests/gui/GtkTestSupport.h"


TEST(MessageBoxGtk, ShowsTextAndCaptionWithOneOkButtonUntilClosed) {
    std::string seenText;
    bool modal = false;
    bool onlyOk = false;
    Poll([&] {
        GtkWindow* w = FindWindow("【启动失败】");
        if (w == nullptr) {
            return false;
        }
        gchar* text = nullptr;
        g_object_get(w, "text", &text, nullptr);
        seenText = text ? text : "";
        g_free(text);
        modal = gtk_window_get_modal(w);
        onlyOk = gtk_dialog_get_widget_for_response(GTK_DIALOG(w), GTK_RESPONSE_OK) != nullptr &&
                 gtk_dialog_get_widget_for_response(GTK_DIALOG(w), GTK_RESPONSE_CANCEL) == nullptr;
        gtk_dialog_response(GTK_DIALOG(w), GTK_RESPONSE_OK);
        return true;
    });
    ShowMessageBox(u"启动游戏失败，请重新启动！", u"【启动失败】");
    EXPECT_EQ(seenText, "启动游戏失败，请重新启动！");
    EXPECT_TRUE(modal);
    EXPECT_TRUE(onlyOk);
    EXPECT_EQ(FindWindow("【启动失败】"), nullptr);
}

// A quit request lasts for the rest of the process: each of these runs in a
// process of its own.
TEST(MessageLoopGtk, QuitRequestTakesEffectAfterTheHandlerReturns) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            bool handlerFinished = false;
            Poll([&] {
                PostQuitMessage(16);
                handlerFinished = IsQuitPosted();
                return true;
            });
            CMessageLoop loop;
            const bool ended = loop.Run();
            std::_Exit(!ended && handlerFinished && GetQuitExitCode() == 16 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(MessageLoopGtk, QuitRequestEndsNestedLoopsAndLaterOnesAtOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            bool innerEnded = true;
            Poll([&] {
                Poll([] {
                    PostQuitMessage(16);
                    return true;
                });
                CMessageLoop inner;
                innerEnded = inner.Run();
                return true;
            });
            CMessageLoop outer;
            const bool outerEnded = outer.Run();
            CMessageLoop later;
            const bool laterEnded = later.Run();
            std::_Exit(!innerEnded && !outerEnded && !laterEnded ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(MessageLoopGtk, EndStopsOnlyItsOwnLoop) {
    CMessageLoop outer;
    bool innerEnded = false;
    Poll([&] {
        CMessageLoop inner;
        Poll([&] {
            inner.End();
            return true;
        });
        innerEnded = inner.Run();
        outer.End();
        return true;
    });
    EXPECT_TRUE(outer.Run());
    EXPECT_TRUE(innerEnded);
    EXPECT_FALSE(IsQuitPosted());
}
