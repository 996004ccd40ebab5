// The platform's owned timers and signal connections, on GTK's main loop:
// what they start never outlives them, whatever their work does to them.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <memory>
#include <string>

#include "platform/GLibPtr.h"
#include "platform/Timer.h"
#include "platform/gtk/SignalConnection.h"

namespace {

// Runs the main loop for `milliseconds`, or until `done` is true.
void RunLoop(
    unsigned milliseconds, const std::function<bool()>& done = [] { return false; }) {
    const gint64 end = g_get_monotonic_time() + gint64(milliseconds) * 1000;
    while (!done() && g_get_monotonic_time() < end) {
        g_main_context_iteration(nullptr, FALSE);
        g_usleep(1000);
    }
}

}  // namespace

TEST(Timer, RunsOnceAndThenIsIdle) {
    CTimer timer;
    int runs = 0;
    timer.StartOnce(10, [&] { ++runs; });
    EXPECT_TRUE(timer.IsRunning());
    RunLoop(300);
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(timer.IsRunning());
}

TEST(Timer, StoppedOrDestroyedBeforeItsTimeNeverRuns) {
    int runs = 0;
    CTimer stopped;
    stopped.StartOnce(10, [&] { ++runs; });
    stopped.Stop();
    stopped.Stop();  // twice is harmless
    {
        CTimer destroyed;
        destroyed.StartRepeating(10, [&] { return ++runs > 0; });
        destroyed.StartIdle([&] { ++runs; });  // replaces the repeating work
    }
    RunLoop(100);
    EXPECT_EQ(runs, 0);
    EXPECT_FALSE(stopped.IsRunning());
}

TEST(Timer, RepeatingWorkStopsItselfFromInside) {
    CTimer timer;
    int runs = 0;
    timer.StartRepeating(5, [&] {
        if (++runs == 3) {
            timer.Stop();
            EXPECT_FALSE(timer.IsRunning());
        }
        return true;  // asks for more: the stop wins
    });
    RunLoop(300);
    EXPECT_EQ(runs, 3);
    EXPECT_FALSE(timer.IsRunning());
}

TEST(Timer, RepeatingWorkEndsWhenItReturnsFalse) {
    CTimer timer;
    int runs = 0;
    timer.StartRepeating(5, [&] { return ++runs < 2; });
    RunLoop(300);
    EXPECT_EQ(runs, 2);
    EXPECT_FALSE(timer.IsRunning());
}

TEST(Timer, WorkMayDestroyItsOwnTimerAndStillUseWhatItHolds) {
    auto timer = std::make_unique<CTimer>();
    std::string seen;
    timer->StartOnce(5, [&timer, &seen, text = std::string(200, 'x')] {
        timer.reset();
        // The work's own captures live until it returns.
        seen = text;
    });
    RunLoop(300, [&] { return timer == nullptr; });
    EXPECT_EQ(timer, nullptr);
    EXPECT_EQ(seen, std::string(200, 'x'));
    RunLoop(30);  // nothing of the timer runs afterwards
}

TEST(Timer, WorkMayStartItsOwnTimerAgain) {
    CTimer timer;
    int runs = 0;
    std::function<void()> work = [&] {
        if (++runs < 3) {
            timer.StartOnce(5, work);
            // The run that ends now must not take the new start with it.
            EXPECT_TRUE(timer.IsRunning());
        }
    };
    timer.StartOnce(5, work);
    RunLoop(500, [&] { return runs == 3 && !timer.IsRunning(); });
    EXPECT_EQ(runs, 3);
    EXPECT_FALSE(timer.IsRunning());
    RunLoop(30);
    EXPECT_EQ(runs, 3);
}

TEST(Timer, RestartReplacesWhatWasPending) {
    CTimer timer;
    int first = 0;
    int second = 0;
    timer.StartOnce(5, [&] { ++first; });
    timer.StartOnce(5, [&] { ++second; });
    RunLoop(200, [&] { return second == 1; });
    RunLoop(20);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
}

namespace {

// An object with a signal to connect to: an adjustment emits
// "value-changed" on each new value.
GObjectPtr<GtkAdjustment> MakeAdjustment() {
    return GObjectPtr<GtkAdjustment>(
        GTK_ADJUSTMENT(g_object_ref_sink(gtk_adjustment_new(0, 0, 100, 1, 10, 0))));
}

void CountChange(GtkAdjustment*, int* count) {
    ++*count;
}

}  // namespace

TEST(SignalConnection, HandlerRunsUntilTheConnectionGoes) {
    const GObjectPtr<GtkAdjustment> adjustment = MakeAdjustment();
    int count = 0;
    {
        const CSignalConnection connection(adjustment.get(), "value-changed",
                                           G_CALLBACK(CountChange), &count);
        gtk_adjustment_set_value(adjustment.get(), 1);
        EXPECT_EQ(count, 1);
    }
    gtk_adjustment_set_value(adjustment.get(), 2);
    EXPECT_EQ(count, 1);
}

TEST(SignalConnection, ResetAndMoveDisconnectExactlyOnce) {
    const GObjectPtr<GtkAdjustment> adjustment = MakeAdjustment();
    int count = 0;
    CSignalConnection first(adjustment.get(), "value-changed", G_CALLBACK(CountChange), &count);
    CSignalConnection moved(std::move(first));
    gtk_adjustment_set_value(adjustment.get(), 1);
    EXPECT_EQ(count, 1) << "a moved connection is still one connection";
    first.Reset();  // the moved-from one owns nothing
    gtk_adjustment_set_value(adjustment.get(), 2);
    EXPECT_EQ(count, 2);
    moved.Reset();
    moved.Reset();
    gtk_adjustment_set_value(adjustment.get(), 3);
    EXPECT_EQ(count, 2);
}

TEST(SignalConnection, ObjectDestroyedBeforeTheConnectionIsLeftAlone) {
    int count = 0;
    auto connection = std::make_unique<CSignalConnection>();
    CSignalConnections connections;
    {
        const GObjectPtr<GtkAdjustment> adjustment = MakeAdjustment();
        *connection =
            CSignalConnection(adjustment.get(), "value-changed", G_CALLBACK(CountChange), &count);
        connections.Add(adjustment.get(), "value-changed", G_CALLBACK(CountChange), &count);
        gtk_adjustment_set_value(adjustment.get(), 1);
        EXPECT_EQ(count, 2);
    }
    // The object has been finalized: neither a reset nor the end of the
    // connections may reach it (a sanitizer build would see it).
    connection->Reset();
    connection.reset();
    connections.Clear();
}

TEST(SignalConnection, HandlerMayEndItsOwnConnection) {
    const GObjectPtr<GtkAdjustment> adjustment = MakeAdjustment();
    struct State {
        int count = 0;
        CSignalConnection connection;
    } state;
    state.connection = CSignalConnection(adjustment.get(), "value-changed",
                                         G_CALLBACK(+[](GtkAdjustment*, State* s) {
                                             ++s->count;
                                             s->connection.Reset();
                                         }),
                                         &state);
    gtk_adjustment_set_value(adjustment.get(), 1);
    gtk_adjustment_set_value(adjustment.get(), 2);
    EXPECT_EQ(state.count, 1);
}
