// The platform's real windows under an X server: message box, quit request
// and window shapes.

#include <gtest/gtest.h>
#include <gtk/gtk.h>
// After gtest, whose headers use names that X11's are macros for.
#include <X11/extensions/shape.h>
#include <gdk/gdkx.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/MessageBox.h"
#include "platform/MessageLoop.h"
#include "platform/gtk/WindowShape.h"
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

namespace {

// A window of 50 × 40 of its own pixels on a display that scales windows by
// two, cut to odd places and sizes that no shape in the window's pixels (two
// screen pixels each) can give, set before it is realized; then cut again,
// and uncut. 0 when the X server had each shape exactly.
int CutAtScaleTwo() {
    gdk_x11_display_set_window_scale(gdk_display_get_default(), 2);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_decorated(GTK_WINDOW(window), FALSE);
    gtk_widget_set_size_request(window, 50, 40);
    const cairo_rectangle_int_t rects[] = {{3, 1, 7, 5}, {11, 9, 1, 1}, {0, 30, 99, 49}};
    cairo_region_t* odd = cairo_region_create_rectangles(rects, 3);
    SetWindowShape(window, odd);
    gtk_widget_show(window);
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    const GdkRectangle screen = ScreenGeometry(window);
    cairo_region_t* bounding = ScreenShape(window, ShapeBounding);
    cairo_region_t* input = ScreenShape(window, ShapeInput);
    const bool cut = screen.width == 100 && screen.height == 80 &&
                     cairo_region_equal(bounding, odd) && cairo_region_equal(input, odd);

    const cairo_rectangle_int_t dot{5, 5, 1, 1};
    cairo_region_t* smaller = cairo_region_create_rectangle(&dot);
    SetWindowShape(window, smaller);
    cairo_region_t* recut = ScreenShape(window, ShapeInput);
    const bool cutAgain = cairo_region_equal(recut, smaller);

    SetWindowShape(window, nullptr);
    cairo_region_t* whole = ScreenShape(window, ShapeBounding);
    const cairo_rectangle_int_t all{0, 0, 100, 80};
    const bool uncut = cairo_region_contains_rectangle(whole, &all) == CAIRO_REGION_OVERLAP_IN;
    std::fprintf(stderr, "cut %d, cut again %d, uncut %d\n", int(cut), int(cutAgain), int(uncut));
    return cut && cutAgain && uncut ? 0 : 1;
}

}  // namespace

// The scale lasts for the rest of a process: this runs in one of its own.
TEST(WindowShapeGtk, CutsAtEachScreenPixelOnAWindowScaledByTwo) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::_Exit(CutAtScaleTwo()), testing::ExitedWithCode(0), "");
}
