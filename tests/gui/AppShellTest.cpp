// The application object's run in this process under an X server: how the
// run ends, and what happens when the main window or its picture is missing.
// Each test runs in a process of its own, since a quit request and the
// registered resources last for the rest of a process.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>

#include "app/LoginApp.h"
#include "platform/MessageLoop.h"
#include "tests/gui/GtkTestSupport.h"
#include "ui/PngButton.h"

CLoginApp theApp;

// The program's own resources, and a bundle that shadows its background.
extern "C" GResource* launcher_get_resource();
extern "C" void broken_background_register_resource();


TEST(AppShell, QuitRequestEndsTheRunWithSixteen) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            WhenShown("Tharnvale", [](GtkWindow*) { PostQuitMessage(16); });
            std::_Exit(theApp.InitInstance());
        },
        testing::ExitedWithCode(16), "");
}

TEST(AppShell, WindowManagerCloseEndsTheRunWithZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            WhenShown("Tharnvale", [](GtkWindow* w) { gtk_window_close(w); });
            std::_Exit(theApp.InitInstance());
        },
        testing::ExitedWithCode(0), "");
}

TEST(AppShell, MissingPictureKeepsTheTemplateSizeAndTheWindowWorks) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // The bundle registered last is searched first. Bundles built
            // into a program register at their first lookup: make the
            // program's register before the broken one.
            g_resources_lookup_data("/", G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
            broken_background_register_resource();
            g_resources_lookup_data("/", G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
            static int width = 0;
            static int height = 0;
            static bool layered = true;
            WhenShown("Tharnvale", [](GtkWindow* w) {
                gtk_window_get_size(w, &width, &height);
                layered = gtk_widget_get_app_paintable(GTK_WIDGET(w));
                gtk_window_close(w);
            });
            const int code = theApp.InitInstance();
            std::fprintf(stderr, "size %d x %d, layered %d\n", width, height, int(layered));
            std::_Exit(code == 0 && width == 842 && height == 627 && !layered ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(AppShell, MainWindowThatCannotBeMadeShowsTheFailureOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            g_resources_unregister(launcher_get_resource());
            static int shown = 0;
            WhenShown("【启动失败】", [](GtkWindow* w) {
                ++shown;
                gtk_dialog_response(GTK_DIALOG(w), GTK_RESPONSE_OK);
            });
            const int code = theApp.InitInstance();
            std::_Exit(code == 1 && shown == 1 && FindWindow("【启动失败】") == nullptr ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(PngButtonGtk, TakesItsCellsSizeTheHandCursorAndStaysAButtonWithoutAStrip) {
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWidget* fixed = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(window), fixed);
    GtkWidget* withFace = gtk_button_new();
    GtkWidget* faceless = gtk_button_new();
    gtk_fixed_put(GTK_FIXED(fixed), withFace, 10, 20);
    gtk_fixed_put(GTK_FIXED(fixed), faceless, 100, 20);
    CPngButton face;
    CPngButton none;
    face.SubclassDlgItem(withFace);
    none.SubclassDlgItem(faceless);
    face.SetImage(160);
    none.SetImage(4242);  // no such strip
    gtk_widget_show_all(window);
    while (g_main_context_iteration(nullptr, FALSE)) {
    }

    int width = 0;
    int height = 0;
    gtk_widget_get_size_request(withFace, &width, &height);
    EXPECT_EQ(width, 54);
    EXPECT_EQ(height, 54);
    EXPECT_NE(face.GetFaceRegion(), nullptr);
    EXPECT_EQ(none.GetFaceRegion(), nullptr);
    EXPECT_NE(gdk_window_get_cursor(gtk_button_get_event_window(GTK_BUTTON(withFace))), nullptr);
    EXPECT_NE(gdk_window_get_cursor(gtk_button_get_event_window(GTK_BUTTON(faceless))), nullptr);

    int clicks = 0;
    g_signal_connect(faceless, "clicked", G_CALLBACK(+[](GtkButton*, int* n) { ++*n; }), &clicks);
    gtk_button_clicked(GTK_BUTTON(faceless));
    EXPECT_EQ(clicks, 1);
    gtk_widget_destroy(window);
}
