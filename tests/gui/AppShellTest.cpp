// The application object's run in this process under an X server: how the
// run ends, what happens when the main window or its picture is missing, and
// the windows on a desktop that scales them by two. Each test runs in a
// process of its own, since a quit request, the registered resources and the
// display's scale last for the rest of a process.

#include <gtest/gtest.h>
#include <gtk/gtk.h>
// After gtest, whose headers use names that X11's are macros for.
#include <X11/extensions/shape.h>
#include <gdk/gdkx.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "app/LoginApp.h"
#include "platform/AlphaShape.h"
#include "platform/MessageLoop.h"
#include "platform/ProgramWindows.h"
#include "platform/gtk/NativeWindows.h"
#include "res/ResourceIds.h"
#include "tests/gui/GtkTestSupport.h"
#include "ui/PngButton.h"
#include "ui/PngImage.h"
#include "ui/ProgramWindows.h"

// The program's own resources, and a bundle that shadows its background.
extern "C" GResource* launcher_get_resource();
extern "C" void broken_background_register_resource();
extern "C" void broken_2x_background_register_resource();

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
    const std::unique_ptr<CWindowItem> withFaceItem = MakeWindowItem(withFace);
    const std::unique_ptr<CWindowItem> facelessItem = MakeWindowItem(faceless);
    face.SubclassDlgItem(withFaceItem.get());
    none.SubclassDlgItem(facelessItem.get());
    face.SetImage(kCloseStripId);
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

// The program's windows on a desktop that scales windows by two.

namespace {

// The login window's items, in its own pixels (web/LoginActiveDlg.cpp).
constexpr cairo_rectangle_int_t kBrowser{560, 177, 631, 446};
constexpr cairo_rectangle_int_t kMinimize{1173, 137, 39, 75};
constexpr cairo_rectangle_int_t kClose{1208, 115, 54, 54};

void SetScale(int scale) {
    gdk_x11_display_set_window_scale(gdk_display_get_default(), scale);
}

// The top-level shown over the main window, owned by it.
GtkWidget* LoginWindow(GtkWindow* main) {
    GList* all = gtk_window_list_toplevels();
    GtkWidget* found = nullptr;
    for (GList* l = all; l != nullptr; l = l->next) {
        GtkWindow* w = GTK_WINDOW(l->data);
        if (w != main && gtk_window_get_transient_for(w) == main &&
            gtk_widget_get_mapped(GTK_WIDGET(w))) {
            found = GTK_WIDGET(w);
        }
    }
    g_list_free(all);
    return found;
}

// A region, moved and scaled: a rectangle of the window's own pixels in
// screen pixels.
cairo_region_t* ScreenRect(const cairo_rectangle_int_t& r, int scale) {
    const cairo_rectangle_int_t big{r.x * scale, r.y * scale, r.width * scale, r.height * scale};
    return cairo_region_create_rectangle(&big);
}

// The normal face of strip `id` at `scale`, in screen pixels at `place`.
void AddFace(cairo_region_t* shape, int id, const cairo_rectangle_int_t& place, int scale) {
    const auto strip = LoadPngImage(id, scale);
    const CairoSurfacePtr face = CopyAtScale(
        strip->GetSurface(), {0, 0, strip->GetWidth(), CellHeight(strip->GetHeight())}, scale);
    const CairoRegionPtr covered = RegionFromAlpha(face.get(), 1);
    cairo_region_translate(covered.get(), place.x * scale, place.y * scale);
    cairo_region_union(shape, covered.get());
}

// Whether the X server holds `shape` of `window` (ShapeBounding or
// ShapeInput) equal to `wanted`.
bool HasShape(GtkWidget* window, int shape, const cairo_region_t* wanted) {
    cairo_region_t* held = ScreenShape(window, shape);
    const bool same = cairo_region_equal(held, wanted);
    cairo_region_destroy(held);
    return same;
}

// Whether the X server has the main window as large as its picture at
// `scale` and cut to it at each screen pixel (to the picture drawn at
// `pictureScale`, as the screen shows it), and the login window on it, cut
// to the browser and the buttons' faces drawn for that scale. The cheap
// looks come first: the program works meanwhile.
bool ShownAtScale(GtkWindow* main, int scale, int pictureScale) {
    GtkWidget* login = LoginWindow(main);
    if (login == nullptr) {
        return false;
    }
    const GdkRectangle screen = ScreenGeometry(GTK_WIDGET(main));
    const GdkRectangle loginScreen = ScreenGeometry(login);
    if (screen.width != 1334 * scale || screen.height != 725 * scale || loginScreen.x != screen.x ||
        loginScreen.y != screen.y) {
        return false;
    }
    cairo_region_t* loginWanted = ScreenRect(kBrowser, scale);
    AddFace(loginWanted, kMinimizeStripId, kMinimize, scale);
    AddFace(loginWanted, kCloseStripId, kClose, scale);
    const bool loginRight = HasShape(login, ShapeInput, loginWanted);
    cairo_region_destroy(loginWanted);
    if (!loginRight) {
        return false;
    }
    const auto picture = LoadPngImage(kMainBackgroundId, pictureScale);
    const CairoSurfacePtr shown = CopyAtScale(picture->GetSurface(), scale);
    const bool blends = gdk_screen_is_composited(gdk_screen_get_default());
    const CairoRegionPtr wanted = RegionFromAlpha(shown.get(), blends ? 1 : 128);
    const bool right = HasShape(GTK_WIDGET(main), ShapeBounding, wanted.get()) &&
                       HasShape(GTK_WIDGET(main), ShapeInput, wanted.get());
    return right;
}

bool ShownAtScale(GtkWindow* main, int scale) {
    return ShownAtScale(main, scale, scale);
}

// Runs the program until `check` has seen what it waits for, or for at most
// 30 s; 0 when it has. It looks every 100 ms, leaving the program time to
// work between looks however long they take.
int RunUntil(std::function<bool(GtkWindow*)> check) {
    static bool seen = false;
    static std::function<bool(GtkWindow*)> wanted = std::move(check);
    g_timeout_add(
        100,
        [](gpointer) -> gboolean {
            GtkWindow* main = FindWindow("Tharnvale");
            if (main == nullptr || !wanted(main)) {
                return G_SOURCE_CONTINUE;
            }
            seen = true;
            gtk_window_close(main);
            return G_SOURCE_REMOVE;
        },
        nullptr);
    g_timeout_add_seconds(
        30,
        [](gpointer) -> gboolean {
            PostQuitMessage(1);
            return G_SOURCE_REMOVE;
        },
        nullptr);
    return theApp.InitInstance() == 0 && seen ? 0 : 1;
}

}  // namespace

TEST(AppShellAtScaleTwo, WindowsCoverTwiceThePixelsCutToThe2xPictures) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetScale(2);
            std::_Exit(RunUntil([](GtkWindow* main) { return ShownAtScale(main, 2); }));
        },
        testing::ExitedWithCode(0), "");
}

TEST(AppShellAtScaleTwo, LoginWindowFollowsTheMainWindowToTheScreenPixel) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetScale(2);
            // Where a window manager may put a window the player drags:
            // between two of the windows' own pixels.
            static int step = 0;
            std::_Exit(RunUntil([](GtkWindow* main) {
                if (step == 0 && ShownAtScale(main, 2)) {
                    GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(main));
                    XMoveWindow(GDK_WINDOW_XDISPLAY(window), GDK_WINDOW_XID(window), 301, 151);
                    step = 1;
                }
                if (step != 1) {
                    return false;
                }
                const GdkRectangle mainPlace = ScreenGeometry(GTK_WIDGET(main));
                const GdkRectangle loginPlace = ScreenGeometry(LoginWindow(main));
                return mainPlace.x == 301 && mainPlace.y == 151 && loginPlace.x == 301 &&
                       loginPlace.y == 151;
            }));
        },
        testing::ExitedWithCode(0), "");
}

TEST(AppShellAtScaleTwo, WindowsTakeTheNewScaleWhenTheDesktopChangesIt) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetScale(1);
            static bool changed = false;
            std::_Exit(RunUntil([](GtkWindow* main) {
                if (!changed && ShownAtScale(main, 1)) {
                    SetScale(2);
                    changed = true;
                }
                return changed && ShownAtScale(main, 2);
            }));
        },
        testing::ExitedWithCode(0), "");
}

TEST(AppShellAtScaleTwo, Broken2xPictureGivesWayToThe1xOneEnlarged) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // See MissingPictureKeepsTheTemplateSizeAndTheWindowWorks.
            g_resources_lookup_data("/", G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
            broken_2x_background_register_resource();
            SetScale(2);
            std::_Exit(RunUntil([](GtkWindow* main) { return ShownAtScale(main, 2, 1); }));
        },
        testing::ExitedWithCode(0), "");
}

// The layered shell, which Wayland desktops get: one top-level window, the
// login window a layer of the main window. It shows on X11 too, where the X
// server tells what it holds.

namespace {

// The program's top-level windows that are on the screen.
int MappedToplevels() {
    GList* all = gtk_window_list_toplevels();
    int mapped = 0;
    for (GList* l = all; l != nullptr; l = l->next) {
        mapped += gtk_widget_get_mapped(GTK_WIDGET(l->data)) ? 1 : 0;
    }
    g_list_free(all);
    return mapped;
}

// The main window's input shape at `scale`: the picture, the browser and the
// buttons' faces; from the corner of the picture's visible part when the
// picture would not fit the screen (at 2, 1334 x 725 units do not fit
// 1920 x 1080 pixels), which is all the window then shows.
CairoRegionPtr LayeredShape(int scale) {
    const auto picture = LoadPngImage(kMainBackgroundId, scale);
    const CairoSurfacePtr shown = CopyAtScale(picture->GetSurface(), scale);
    const bool blends = gdk_screen_is_composited(gdk_screen_get_default());
    CairoRegionPtr wanted = RegionFromAlpha(shown.get(), blends ? 1 : 128);
    cairo_region_t* login = ScreenRect(kBrowser, scale);
    AddFace(login, kMinimizeStripId, kMinimize, scale);
    AddFace(login, kCloseStripId, kClose, scale);
    cairo_region_union(wanted.get(), login);
    cairo_region_destroy(login);
    GdkRectangle screen{};
    gdk_monitor_get_workarea(gdk_display_get_monitor(gdk_display_get_default(), 0), &screen);
    if (1334 > screen.width || 725 > screen.height) {
        const cairo_rectangle_int_t visible = VisibleBounds(picture->GetSurface());
        cairo_region_translate(wanted.get(), -visible.x * scale, -visible.y * scale);
    }
    return wanted;
}

// The button of `container` (searched through) whose place in `window`
// holds `x`, `y`.
GtkWidget* ButtonAt(GtkWidget* window, GtkWidget* container, int x, int y) {
    GtkWidget* found = nullptr;
    GList* children = gtk_container_get_children(GTK_CONTAINER(container));
    for (GList* l = children; l != nullptr && found == nullptr; l = l->next) {
        GtkWidget* child = GTK_WIDGET(l->data);
        int cx = 0;
        int cy = 0;
        gtk_widget_translate_coordinates(child, window, 0, 0, &cx, &cy);
        if (GTK_IS_BUTTON(child) && x >= cx && y >= cy &&
            x < cx + gtk_widget_get_allocated_width(child) &&
            y < cy + gtk_widget_get_allocated_height(child)) {
            found = child;
        } else if (GTK_IS_CONTAINER(child)) {
            found = ButtonAt(window, child, x, y);
        }
    }
    g_list_free(children);
    return found;
}

}  // namespace

TEST(AppShellLayered, OneWindowHoldsThePictureAndTheLoginItemsCutToBoth) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const int scale : {1, 2}) {
        EXPECT_EXIT(
            {
                SetWindowShell(WindowShell::Layered);
                SetScale(scale);
                static int wantedScale = scale;
                std::_Exit(RunUntil([](GtkWindow* main) {
                    const CairoRegionPtr wanted = LayeredShape(wantedScale);
                    return MappedToplevels() == 1 && LoginWindow(main) == nullptr &&
                           HasShape(GTK_WIDGET(main), ShapeInput, wanted.get());
                }));
            },
            testing::ExitedWithCode(0), "")
            << "at scale " << scale;
    }
}

TEST(AppShellLayered, CloseButtonAsksOverTheWindowAndCancelKeepsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetWindowShell(WindowShell::Layered);
            static int asked = 0;
            WhenShown("Tharnvale", [](GtkWindow* main) {
                // The close button's face, in the window's own pixels.
                GtkWidget* close =
                    ButtonAt(GTK_WIDGET(main), GTK_WIDGET(main), kClose.x + kClose.width / 2,
                             kClose.y + kClose.height / 2);
                if (close == nullptr) {
                    std::_Exit(3);
                }
                gtk_button_clicked(GTK_BUTTON(close));
            });
            WhenShown("关闭游戏", [](GtkWindow* confirm) {
                ++asked;
                // Owned by the one window there is, as a modal dialog.
                GtkWindow* main = FindWindow("Tharnvale");
                if (gtk_window_get_transient_for(confirm) != main ||
                    !gtk_window_get_modal(confirm)) {
                    std::_Exit(2);
                }
                GdkEvent* key = gdk_event_new(GDK_KEY_PRESS);
                key->key.window =
                    GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(confirm))));
                key->key.keyval = GDK_KEY_Escape;
                gdk_event_set_device(
                    key,
                    gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
                gtk_main_do_event(key);
                gdk_event_free(key);
                g_timeout_add(
                    300,
                    [](gpointer) -> gboolean {
                        // Still running: the close was not confirmed.
                        gtk_window_close(FindWindow("Tharnvale"));
                        return G_SOURCE_REMOVE;
                    },
                    nullptr);
            });
            const int code = theApp.InitInstance();
            std::_Exit(code == 0 && asked == 1 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(AppShell, HiddenWindowsStayHiddenWhenTheMainWindowIsActivated) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // A program that waits for its game hides its windows; the
            // desktop may still hand the main window the focus afterwards.
            WhenShown("Tharnvale", [](GtkWindow* main) {
                HideProgramWindows();
                GdkEvent* focus = gdk_event_new(GDK_FOCUS_CHANGE);
                focus->focus_change.window =
                    GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(main))));
                focus->focus_change.in = TRUE;
                gtk_widget_send_focus_change(GTK_WIDGET(main), focus);
                gdk_event_free(focus);
                g_timeout_add(
                    300,
                    [](gpointer) -> gboolean {
                        GList* all = gtk_window_list_toplevels();
                        int visible = 0;
                        for (GList* l = all; l != nullptr; l = l->next) {
                            visible += gtk_widget_get_visible(GTK_WIDGET(l->data)) ? 1 : 0;
                        }
                        g_list_free(all);
                        std::_Exit(visible == 0 ? 0 : 1);
                    },
                    nullptr);
            });
            theApp.InitInstance();
            std::_Exit(2);
        },
        testing::ExitedWithCode(0), "");
}

// The game mode's shell: one window as large as the screen, the login
// window and the dialogs layers on it.

namespace {

// The buttons of `container` (searched through) on the screen; with
// `usable`, only those that take input.
int ShownButtons(GtkWidget* container, bool usable = true) {
    int shown = 0;
    GList* children = gtk_container_get_children(GTK_CONTAINER(container));
    for (GList* l = children; l != nullptr; l = l->next) {
        GtkWidget* child = GTK_WIDGET(l->data);
        if (GTK_IS_BUTTON(child)) {
            shown += gtk_widget_is_visible(child) && (!usable || gtk_widget_is_sensitive(child));
        } else if (GTK_IS_CONTAINER(child)) {
            shown += ShownButtons(child, usable);
        }
    }
    g_list_free(children);
    return shown;
}

}  // namespace

TEST(AppShellGameMode, OneScreenSizedWindowHoldsTheConfirmationAsALayerThatEscCloses) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("THARNVALE_GAME_MODE", "1", 1);
            SetWindowShell(WindowShell::GameMode);
            static int step = 0;
            std::_Exit(RunUntil([](GtkWindow* main) {
                GtkWidget* widget = GTK_WIDGET(main);
                GdkRectangle screen{};
                gdk_monitor_get_geometry(gdk_display_get_monitor(gdk_display_get_default(), 0),
                                         &screen);
                if (step == 0) {
                    // The close button alone: game mode has no minimise.
                    if (!gtk_widget_get_mapped(widget) || ShownButtons(widget) != 1) {
                        return false;
                    }
                    GdkRectangle place = ScreenGeometry(widget);
                    if (place.x != 0 || place.y != 0 || place.width != screen.width ||
                        place.height != screen.height) {
                        std::_Exit(2);
                    }
                    // The picture's visible part (x 12, y 26, 1269 x 697)
                    // stands in the screen's middle.
                    const int x = (screen.width - 1269) / 2 - 12 + kClose.x + kClose.width / 2;
                    const int y = (screen.height - 697) / 2 - 26 + kClose.y + kClose.height / 2;
                    GtkWidget* close = ButtonAt(widget, widget, x, y);
                    if (close == nullptr) {
                        std::_Exit(3);
                    }
                    // From a source of its own: the confirmation's run nests
                    // a main loop, and this check must go on meanwhile.
                    g_idle_add(
                        [](gpointer button) -> gboolean {
                            gtk_button_clicked(GTK_BUTTON(button));
                            return G_SOURCE_REMOVE;
                        },
                        close);
                    step = 1;
                } else if (step == 1 && ShownButtons(widget) == 2) {
                    // Only the confirmation's two take input; still one window.
                    if (MappedToplevels() != 1) {
                        std::_Exit(4);
                    }
                    PutKey(gtk_widget_get_window(widget), GDK_KEY_Escape);
                    step = 2;
                }
                return step == 2 && ShownButtons(widget) == 1;
            }));
        },
        testing::ExitedWithCode(0), "");
}

TEST(AppShellGameMode, MessageIsALayerInTheLaunchersLookThatEnterCloses) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("THARNVALE_GAME_MODE", "1", 1);
            SetWindowShell(WindowShell::GameMode);
            static bool asked = false;
            static bool answered = false;
            std::_Exit(RunUntil([](GtkWindow* main) {
                GtkWidget* widget = GTK_WIDGET(main);
                if (asked || !gtk_widget_get_mapped(widget) || ShownButtons(widget) != 1) {
                    return answered;
                }
                asked = true;
                // As the hand-off tells of a failure: from a source of its
                // own, since the message runs a main loop of its own.
                g_idle_add(
                    [](gpointer) -> gboolean {
                        Poll([] {
                            GtkWindow* top = FindWindow("Tharnvale");
                            // The message's 确定 over the close button, which
                            // alone takes input, on the one window.
                            if (top == nullptr || ShownButtons(GTK_WIDGET(top), false) != 2 ||
                                ShownButtons(GTK_WIDGET(top)) != 1 || MappedToplevels() != 1 ||
                                FindWindow("【启动失败】") != nullptr) {
                                return false;
                            }
                            PutKey(gtk_widget_get_window(GTK_WIDGET(top)), GDK_KEY_Return);
                            return true;
                        });
                        CProgramWindows windows;
                        windows.ShowMessage(u"启动游戏失败，请重新启动！", u"【启动失败】");
                        answered = true;
                        return G_SOURCE_REMOVE;
                    },
                    nullptr);
                return false;
            }));
        },
        testing::ExitedWithCode(0), "");
}
