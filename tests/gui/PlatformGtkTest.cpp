// The platform's real windows under an X server: message box, quit request
// and the download progress window.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/MessageBox.h"
#include "platform/MessageLoop.h"
#include "platform/ProgressWindow.h"
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

TEST(ProgressWindowGtk, ShowsProgressAndKeepsTheMainLoopRunning) {
    TransferProgress progress;
    int ticks = 0;
    double fraction = 0;
    bool modal = false;
    std::atomic<bool> seen{false};
    Poll([&] {
        ++ticks;
        if (GtkWindow* w = FindWindow("正在下载游戏启动器")) {
            modal = gtk_window_get_modal(w);
            GList* children = gtk_container_get_children(
                GTK_CONTAINER(gtk_bin_get_child(GTK_BIN(w))));
            GtkProgressBar* bar = GTK_PROGRESS_BAR(g_list_nth_data(children, 1));
            g_list_free(children);
            fraction = gtk_progress_bar_get_fraction(bar);
            // Several ticks while the work runs: the loop keeps turning.
            seen = fraction > 0.4 && ticks >= 3;
        }
        return seen.load();
    });
    RunWithProgressWindow(u"正在下载游戏启动器", progress, [&] {
        progress.total = 1000;
        progress.received = 500;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!seen && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    EXPECT_TRUE(seen);
    EXPECT_TRUE(modal);
    EXPECT_NEAR(fraction, 0.5, 0.01);
    EXPECT_GE(ticks, 3) << "the main loop stood still while the work ran";
    EXPECT_EQ(FindWindow("正在下载游戏启动器"), nullptr);
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

TEST(ProgressWindowGtk, ClosingTheWindowAsksTheWorkToStop) {
    TransferProgress progress;
    Poll([] {
        GtkWindow* w = FindWindow("正在下载游戏启动器");
        if (w != nullptr) {
            gtk_window_close(w);
        }
        return w != nullptr;
    });
    RunWithProgressWindow(u"正在下载游戏启动器", progress, [&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!progress.cancelRequested && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    EXPECT_TRUE(progress.cancelRequested);
}
