// The download window under an X server, in this process: when it shows
// and where, what it shows, how the player stops the transfer, and that the
// program's other windows keep painting but take no input meanwhile.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <regex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/DialogWindow.h"
#include "platform/MessageBox.h"
#include "platform/gtk/NativeWindows.h"
#include "res/ResourceIds.h"
#include "tests/gui/GtkTestSupport.h"
#include "ui/ProgramWindows.h"

namespace {

constexpr char kTitle[] = "正在下载游戏启动器";
constexpr CRect kOwnerPlace{150, 120, 842, 627};
constexpr uint64_t kMiB = 1024 * 1024;

// The window titled `title`, shown or not; null when there is none.
GtkWindow* FindToplevel(const char* title) {
    GList* all = gtk_window_list_toplevels();
    GtkWindow* found = nullptr;
    for (GList* l = all; l != nullptr && found == nullptr; l = l->next) {
        if (g_strcmp0(gtk_window_get_title(GTK_WINDOW(l->data)), title) == 0) {
            found = GTK_WINDOW(l->data);
        }
    }
    g_list_free(all);
    return found;
}

bool IsShown(GtkWindow* window) {
    return window != nullptr && gtk_widget_get_mapped(GTK_WIDGET(window));
}

// The items a dialog holds in its layout, of one type.
std::vector<GtkWidget*> Items(GtkWindow* window, GType type) {
    std::vector<GtkWidget*> found;
    GList* children = gtk_container_get_children(GTK_CONTAINER(gtk_bin_get_child(GTK_BIN(window))));
    for (GList* l = children; l != nullptr; l = l->next) {
        if (G_TYPE_CHECK_INSTANCE_TYPE(l->data, type)) {
            found.push_back(GTK_WIDGET(l->data));
        }
    }
    g_list_free(children);
    return found;
}

// What the window's labels read, empty ones left out.
std::vector<std::string> Texts(GtkWindow* window) {
    std::vector<std::string> texts;
    for (GtkWidget* label : Items(window, GTK_TYPE_LABEL)) {
        const std::string text = gtk_label_get_text(GTK_LABEL(label));
        if (!text.empty()) {
            texts.push_back(text);
        }
    }
    return texts;
}

bool AnyMatches(const std::vector<std::string>& texts, const std::string& pattern) {
    const std::regex wanted(pattern);
    for (const std::string& text : texts) {
        if (std::regex_match(text, wanted)) {
            return true;
        }
    }
    return false;
}

// Queues a click of the first button at (x, y) in `window`.
void PutClick(GdkWindow* window, int x, int y) {
    GdkDisplay* display = gdk_window_get_display(window);
    GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(display));
    int originX = 0;
    int originY = 0;
    gdk_window_get_origin(window, &originX, &originY);
    for (GdkEventType type : {GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE}) {
        GdkEvent* event = gdk_event_new(type);
        event->button.window = GDK_WINDOW(g_object_ref(window));
        event->button.send_event = TRUE;
        event->button.time = GDK_CURRENT_TIME;
        event->button.x = x;
        event->button.y = y;
        event->button.x_root = originX + x;
        event->button.y_root = originY + y;
        event->button.button = 1;
        gdk_event_set_device(event, pointer);
        gdk_display_put_event(display, event);
        gdk_event_free(event);
    }
}

// On the worker thread: waits until `condition` holds, for at most 10 s so
// that a broken window fails the test instead of hanging it.
void WaitUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// On the main thread: runs the main loop until `condition` holds, for at
// most 10 s.
bool RunLoopUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition() && std::chrono::steady_clock::now() < deadline) {
        if (!g_main_context_iteration(nullptr, FALSE)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    return condition();
}

// The login window's stand-in: a plain window, shown at a known place and
// set as the owner of the program's dialogs. Every map of a window titled
// as the download window is counted, however briefly it lasted.
class DownloadDlgTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_owner.Create(nullptr, false));
        m_owner.MoveWindow(kOwnerPlace);
        m_owner.ShowWindow(SW_SHOWNORMAL);
        ASSERT_TRUE(RunLoopUntil([&] { return IsShown(NativeWindowOf(m_owner)); }));
        SetDialogOwner(&m_owner);
        m_mapSignal = g_signal_lookup("map", GTK_TYPE_WIDGET);
        m_mapHook = g_signal_add_emission_hook(m_mapSignal, 0, OnMap, &m_maps, nullptr);
    }

    void TearDown() override {
        // A failed test may leave its polls behind; they must not act on
        // the next test's windows.
        for (guint id : m_polls) {
            if (g_main_context_find_source_by_id(nullptr, id) != nullptr) {
                g_source_remove(id);
            }
        }
        g_signal_remove_emission_hook(m_mapSignal, m_mapHook);
        SetDialogOwner(nullptr);
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
    }

    void Poll(std::function<bool()> check) { m_polls.push_back(::Poll(std::move(check))); }
    void WhenShown(const char* title, std::function<void(GtkWindow*)> act) {
        m_polls.push_back(::WhenShown(title, std::move(act)));
    }

    // After a run: the window is gone and no window of the program is left
    // without input.
    void ExpectAllGone() {
        EXPECT_EQ(FindToplevel(kTitle), nullptr);
        EXPECT_EQ(gtk_grab_get_current(), nullptr)
            << "the program's windows would stay without input";
    }

    static gboolean OnMap(GSignalInvocationHint*, guint, const GValue* values, gpointer data) {
        GObject* widget = G_OBJECT(g_value_get_object(&values[0]));
        if (GTK_IS_WINDOW(widget) &&
            g_strcmp0(gtk_window_get_title(GTK_WINDOW(widget)), kTitle) == 0) {
            ++*static_cast<int*>(data);
        }
        return TRUE;
    }

    CProgramWindows m_windows;
    // The main window's template: plain and borderless.
    CDialogWindow m_owner{kMainDialogId};
    std::vector<guint> m_polls;
    int m_maps = 0;
    guint m_mapSignal = 0;
    gulong m_mapHook = 0;
};

}  // namespace

// -- when it shows, and where ---------------------------------------------------

TEST_F(DownloadDlgTest, WorkDoneAtOnceShowsNoWindowAndLeavesTheProgramItsInput) {
    TransferProgress progress;
    bool ran = false;
    m_windows.RunWithProgressWindow(u"正在下载游戏启动器", progress, [&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_EQ(m_maps, 0) << "a download over at once flashed its window";
    ExpectAllGone();
}

TEST_F(DownloadDlgTest, LongerWorkShowsABorderlessModalWindowCentredOverTheOwner) {
    TransferProgress progress;
    std::atomic<bool> looked{false};
    bool hiddenWithInput = false;
    bool modal = false, decorated = true, skipsTaskbar = false;
    GdkWindowTypeHint hint = GDK_WINDOW_TYPE_HINT_NORMAL;
    GtkWindow* transientFor = nullptr;
    int x = 0, y = 0, width = 0, height = 0;
    Poll([&] {
        GtkWindow* w = FindToplevel(kTitle);
        if (w != nullptr && !IsShown(w)) {
            hiddenWithInput = hiddenWithInput || gtk_grab_get_current() == GTK_WIDGET(w);
        }
        if (!IsShown(w)) {
            return false;
        }
        modal = gtk_window_get_modal(w);
        decorated = gtk_window_get_decorated(w);
        skipsTaskbar = gtk_window_get_skip_taskbar_hint(w);
        hint = gtk_window_get_type_hint(w);
        transientFor = gtk_window_get_transient_for(w);
        gdk_window_get_origin(gtk_widget_get_window(GTK_WIDGET(w)), &x, &y);
        gtk_window_get_size(w, &width, &height);
        looked = true;
        return true;
    });
    m_windows.RunWithProgressWindow(u"正在下载游戏启动器", progress,
                                    [&] { WaitUntil([&] { return looked.load(); }); });

    ASSERT_TRUE(looked) << "the window never showed";
    EXPECT_TRUE(hiddenWithInput) << "before it showed, the window did not hold the program's input";
    EXPECT_EQ(m_maps, 1);
    EXPECT_TRUE(modal);
    EXPECT_FALSE(decorated);
    EXPECT_TRUE(skipsTaskbar);
    EXPECT_EQ(hint, GDK_WINDOW_TYPE_HINT_DIALOG);
    EXPECT_EQ(transientFor, NativeWindowOf(m_owner));
    EXPECT_EQ(width, 360);
    EXPECT_EQ(height, 160);
    EXPECT_EQ(x, kOwnerPlace.x + (kOwnerPlace.width - width) / 2);
    EXPECT_EQ(y, kOwnerPlace.y + (kOwnerPlace.height - height) / 2);
    ExpectAllGone();
}

TEST_F(DownloadDlgTest, OwnerMovedBeforeTheWindowShowsIsWhereItCentres) {
    TransferProgress progress;
    std::atomic<bool> looked{false};
    bool moved = false;
    int x = 0, y = 0;
    Poll([&] {
        GtkWindow* w = FindToplevel(kTitle);
        if (w != nullptr && !IsShown(w) && !moved) {
            m_owner.MoveWindow({400, 300, kOwnerPlace.width, kOwnerPlace.height});
            moved = true;
        }
        if (!IsShown(w)) {
            return false;
        }
        gdk_window_get_origin(gtk_widget_get_window(GTK_WIDGET(w)), &x, &y);
        looked = true;
        return true;
    });
    m_windows.RunWithProgressWindow(u"正在下载游戏启动器", progress,
                                    [&] { WaitUntil([&] { return looked.load(); }); });
    ASSERT_TRUE(moved && looked);
    EXPECT_EQ(x, 400 + (kOwnerPlace.width - 360) / 2);
    EXPECT_EQ(y, 300 + (kOwnerPlace.height - 160) / 2);
}

TEST_F(DownloadDlgTest, MainLoopKeepsRunningBeforeAndWhileTheWindowShows) {
    TransferProgress progress;
    int ticksHidden = 0;
    int ticksShown = 0;
    std::atomic<bool> enough{false};
    Poll([&] {
        ++(IsShown(FindWindow(kTitle)) ? ticksShown : ticksHidden);
        enough = ticksShown >= 5;
        return enough.load();
    });
    m_windows.RunWithProgressWindow(u"正在下载游戏启动器", progress,
                                    [&] { WaitUntil([&] { return enough.load(); }); });
    EXPECT_GE(ticksHidden, 3) << "the main loop stood still while the window was hidden";
    EXPECT_GE(ticksShown, 5) << "the main loop stood still while the window showed";
}

// -- what it shows ---------------------------------------------------------------

TEST_F(DownloadDlgTest, ShowsTheTitleSizesSpeedTimeLeftAndRetry) {
    TransferProgress progress;
    progress.total = int64_t(1024 * kMiB);
    progress.retry = 2;
    progress.retryLimit = 5;
    std::atomic<bool> seen{false};
    std::vector<std::string> texts;
    Poll([&] {
        GtkWindow* w = FindWindow(kTitle);
        if (w == nullptr) {
            return false;
        }
        texts = Texts(w);
        seen = AnyMatches(texts, kTitle) && AnyMatches(texts, R"(\d+\.\d MB / 1\.0 GB)") &&
               AnyMatches(texts, R"(\d+\.\d (KB|MB)/s)") && AnyMatches(texts, "剩余 .+") &&
               AnyMatches(texts, "重试中 2/5");
        return seen.load();
    });
    m_windows.RunWithProgressWindow(u"正在下载游戏启动器", progress, [&] {
        WaitUntil([&] {
            progress.received += 64 * 1024;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            return seen.load();
        });
    });
    std::string shown;
    for (const std::string& text : texts) {
        shown += "[" + text + "] ";
    }
    EXPECT_TRUE(seen) << "the window read " << shown;
}

TEST_F(DownloadDlgTest, TransferStartingOverStartsItsSpeedOver) {
    TransferProgress progress;
    progress.total = int64_t(1024 * kMiB);
    std::atomic<bool> measured{false};
    std::atomic<bool> restarted{false};
    std::atomic<bool> speedCleared{false};
    Poll([&] {
        GtkWindow* w = FindWindow(kTitle);
        if (w == nullptr) {
            return false;
        }
        const bool hasSpeed = AnyMatches(Texts(w), R"(.+/s)");
        measured = measured || hasSpeed;
        speedCleared = restarted && !hasSpeed;
        return speedCleared.load();
    });
    m_windows.RunWithProgressWindow(u"正在下载游戏启动器", progress, [&] {
        WaitUntil([&] {
            progress.received += 64 * 1024;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            return measured.load();
        });
        progress.received = 0;
        restarted = true;
        WaitUntil([&] { return speedCleared.load(); });
    });
    EXPECT_TRUE(measured);
    EXPECT_TRUE(speedCleared) << "bytes from before the restart still counted";
}

TEST_F(DownloadDlgTest, BarIsFilledAsFarAsTheShareReceived) {
    TransferProgress progress;
    progress.total = 1000;
    progress.received = 500;
    std::atomic<bool> looked{false};
    guint8 filled[3] = {};
    guint8 empty[3] = {};
    Poll([&] {
        GtkWindow* w = FindWindow(kTitle);
        if (!IsShown(w)) {
            return false;
        }
        gtk_test_widget_wait_for_draw(GTK_WIDGET(w));
        // The groove runs from x 26 to 334 inside its rim, around y 59.
        GdkPixbuf* shot =
            gdk_pixbuf_get_from_window(gtk_widget_get_window(GTK_WIDGET(w)), 0, 0, 360, 160);
        if (shot == nullptr) {
            return false;
        }
        const guint8* pixels = gdk_pixbuf_get_pixels(shot);
        const int stride = gdk_pixbuf_get_rowstride(shot);
        const int channels = gdk_pixbuf_get_n_channels(shot);
        std::copy_n(pixels + 59 * stride + (26 + 308 / 4) * channels, 3, filled);
        std::copy_n(pixels + 59 * stride + (26 + 308 * 3 / 4) * channels, 3, empty);
        g_object_unref(shot);
        looked = true;
        return true;
    });
    m_windows.RunWithProgressWindow(u"正在下载游戏启动器", progress,
                                    [&] { WaitUntil([&] { return looked.load(); }); });
    ASSERT_TRUE(looked);
    // The fill is the gems' blue; the empty groove is nearly black.
    EXPECT_GT(filled[2], 100);
    EXPECT_GT(filled[2], filled[0] + 40);
    EXPECT_LT(empty[0] + empty[1] + empty[2], 3 * 50);
}

// -- how the player stops it ---------------------------------------------------------

// Stops the work by `act` on the shown window; the window must still be
// there once the work has seen the request, and gone once it has returned.
class StopRequest : public DownloadDlgTest {
protected:
    void StopBy(const std::function<void(GtkWindow*)>& act) {
        TransferProgress progress;
        std::atomic<bool> acted{false};
        std::atomic<bool> checkedAfter{false};
        bool shownWhileStopping = false;
        Poll([&] {
            GtkWindow* w = FindWindow(kTitle);
            if (!acted && IsShown(w)) {
                act(w);
                acted = true;
            } else if (acted && progress.cancelRequested) {
                shownWhileStopping = IsShown(w);
                checkedAfter = true;
                return true;
            }
            return false;
        });
        m_windows.RunWithProgressWindow(u"正在下载游戏启动器", progress, [&] {
            WaitUntil([&] { return progress.cancelRequested.load(); });
            // The transfer takes a moment to stop; the window waits for it.
            WaitUntil([&] { return checkedAfter.load(); });
        });
        EXPECT_TRUE(progress.cancelRequested);
        EXPECT_TRUE(shownWhileStopping) << "the window went before the transfer had stopped";
        ExpectAllGone();
    }
};

TEST_F(StopRequest, CancelButton) {
    StopBy([](GtkWindow* w) {
        const std::vector<GtkWidget*> buttons = Items(w, GTK_TYPE_BUTTON);
        ASSERT_EQ(buttons.size(), 1u);
        gtk_button_clicked(GTK_BUTTON(buttons[0]));
    });
}

TEST_F(StopRequest, EscapeKey) {
    StopBy([](GtkWindow* w) { PutKey(gtk_widget_get_window(GTK_WIDGET(w)), GDK_KEY_Escape); });
}

TEST_F(StopRequest, WindowManagersClose) {
    StopBy([](GtkWindow* w) { gtk_window_close(w); });
}

// 取消 has the keyboard as the window shows: the window's own Enter and Space
// press it, once the window has shown for a moment (sooner, they were meant
// for the page beneath), and it carries its name for a screen reader.
TEST_F(StopRequest, EnterKeypadEnterAndSpacePressTheCancelButtonAMomentAfterItShows) {
    for (const guint key : {GDK_KEY_Return, GDK_KEY_KP_Enter, GDK_KEY_space}) {
        SCOPED_TRACE(gdk_keyval_name(key));
        StopBy([this, key](GtkWindow* w) {
            GtkWidget* focus = gtk_window_get_focus(w);
            ASSERT_TRUE(GTK_IS_BUTTON(focus)) << "the keyboard is not on 取消";
            EXPECT_STREQ(atk_object_get_name(gtk_widget_get_accessible(focus)), "取消");
            const auto shown = std::chrono::steady_clock::now();
            Poll([w, key, shown] {
                const bool later =
                    std::chrono::steady_clock::now() - shown > std::chrono::seconds(1);
                if (later) {
                    PutKey(gtk_widget_get_window(GTK_WIDGET(w)), key);
                }
                return later;
            });
        });
    }
}

TEST_F(DownloadDlgTest, FailureOfTheWorkComesBackOnceTheWindowHasGone) {
    TransferProgress progress;
    std::atomic<bool> shown{false};
    WhenShown(kTitle, [&](GtkWindow*) { shown = true; });
    EXPECT_THROW(m_windows.RunWithProgressWindow(u"正在下载游戏启动器", progress,
                                                 [&] {
                                                     WaitUntil([&] { return shown.load(); });
                                                     throw std::runtime_error("disk full");
                                                 }),
                 std::runtime_error);
    EXPECT_TRUE(shown);
    ExpectAllGone();
}

// -- the windows beneath ------------------------------------------------------------

// While the download window is still hidden, a click and the keys that
// would stop it (Esc, Enter, Space) meant for the owner go to the download
// window instead, which does nothing with them.
TEST_F(DownloadDlgTest, InputForTheOwnerIsHeldBackWhileTheWindowIsHidden) {
    struct Counts {
        int presses = 0;
        int keys = 0;
        bool hiddenWhenReceived = true;
    };
    auto count = +[](GtkWidget* w, GdkEvent* e, Counts* counts) -> gboolean {
        ++(e->type == GDK_KEY_PRESS ? counts->keys : counts->presses);
        counts->hiddenWhenReceived = counts->hiddenWhenReceived && !gtk_widget_get_mapped(w);
        return FALSE;
    };
    Counts owner;
    GtkWidget* ownerWidget = GTK_WIDGET(NativeWindowOf(m_owner));
    GdkWindow* ownerWindow = gtk_widget_get_window(ownerWidget);
    g_signal_connect(ownerWidget, "button-press-event", G_CALLBACK(count), &owner);
    g_signal_connect(ownerWidget, "key-press-event", G_CALLBACK(count), &owner);
    // Enter and Space as well: they would press the hidden window's 取消.
    auto press = [&] {
        PutClick(ownerWindow, 40, 40);
        PutKey(ownerWindow, GDK_KEY_Escape);
        PutKey(ownerWindow, GDK_KEY_Return);
        PutKey(ownerWindow, GDK_KEY_space);
    };
    // Without a download, the owner gets them.
    press();
    ASSERT_TRUE(RunLoopUntil([&] { return owner.presses > 0 && owner.keys > 0; }));
    const Counts before = owner;

    TransferProgress progress;
    Counts dialog;
    std::atomic<bool> delivered{false};
    bool pressed = false;
    Poll([&] {
        GtkWindow* w = FindToplevel(kTitle);
        if (w != nullptr && !pressed) {
            g_signal_connect(w, "button-press-event", G_CALLBACK(count), &dialog);
            g_signal_connect(w, "key-press-event", G_CALLBACK(count), &dialog);
            press();
            pressed = true;
        }
        delivered = dialog.presses > 0 && dialog.keys > 0;
        return delivered.load();
    });
    m_windows.RunWithProgressWindow(u"正在下载游戏启动器", progress,
                                    [&] { WaitUntil([&] { return delivered.load(); }); });

    EXPECT_TRUE(delivered) << "the click and key went nowhere: " << dialog.presses << ", "
                           << dialog.keys;
    EXPECT_EQ(owner.presses, before.presses) << "the owner took a click";
    EXPECT_EQ(owner.keys, before.keys) << "the owner took a key";
    g_signal_handlers_disconnect_by_data(ownerWidget, &owner);
    ExpectAllGone();
    if (!dialog.hiddenWhenReceived) {
        GTEST_SKIP()
            << "the window showed before the events came; it held them back as a modal window, "
               "which says nothing of the time it was hidden";
    }
    EXPECT_FALSE(progress.cancelRequested)
        << "a key meant for the owner stopped a download not yet shown";
}
