#include <gtk/gtk.h>

#include <exception>
#include <string>
#include <thread>

#include "platform/DialogWindow.h"
#include "platform/MessageBox.h"
#include "platform/ProgressWindow.h"
#include "platform/TextCodec.h"

namespace {

struct Wait {
    GMainLoop* loop = nullptr;
    GtkProgressBar* bar = nullptr;
    TransferProgress* progress = nullptr;
};

std::string Megabytes(uint64_t bytes) {
    char text[32];
    g_snprintf(text, sizeof text, "%.1f MB", double(bytes) / (1024.0 * 1024.0));
    return text;
}

gboolean OnTick(gpointer data) {
    auto* wait = static_cast<Wait*>(data);
    const uint64_t received = wait->progress->received;
    const int64_t total = wait->progress->total;
    if (total > 0) {
        gtk_progress_bar_set_fraction(wait->bar, std::min(1.0, double(received) / double(total)));
        gtk_progress_bar_set_text(wait->bar,
                                  (Megabytes(received) + " / " + Megabytes(uint64_t(total))).c_str());
    } else {
        gtk_progress_bar_pulse(wait->bar);
        gtk_progress_bar_set_text(wait->bar, Megabytes(received).c_str());
    }
    return G_SOURCE_CONTINUE;
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
    // The window stays until the transfer has actually stopped.
    static_cast<Wait*>(data)->progress->cancelRequested = true;
    return TRUE;
}

gboolean OnWorkDone(gpointer data) {
    g_main_loop_quit(static_cast<Wait*>(data)->loop);
    return G_SOURCE_REMOVE;
}

GtkWidget* CreateWindow(std::u16string_view title, Wait& wait) {
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    const std::string utf8Title = Utf8FromWide(title);
    gtk_window_set_title(GTK_WINDOW(window), utf8Title.c_str());
    gtk_window_set_modal(GTK_WINDOW(window), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);
    // Over the program's own windows, wherever they have been dragged.
    if (CDialogWindow* owner = GetDialogOwner()) {
        gtk_window_set_transient_for(GTK_WINDOW(window), owner->GetSafeHwnd());
        gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER_ON_PARENT);
    } else {
        gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER_ALWAYS);
    }
    gtk_window_set_keep_above(GTK_WINDOW(window), TRUE);
    gtk_window_set_default_size(GTK_WINDOW(window), 360, -1);
    gtk_container_set_border_width(GTK_CONTAINER(window), 16);

    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 10);
    gtk_container_add(GTK_CONTAINER(window), box);
    GtkWidget* label = gtk_label_new(utf8Title.c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    gtk_box_pack_start(GTK_BOX(box), label, FALSE, FALSE, 0);
    GtkWidget* bar = gtk_progress_bar_new();
    gtk_progress_bar_set_show_text(GTK_PROGRESS_BAR(bar), TRUE);
    gtk_box_pack_start(GTK_BOX(box), bar, FALSE, FALSE, 0);

    wait.bar = GTK_PROGRESS_BAR(bar);
    g_signal_connect(window, "delete-event", G_CALLBACK(OnDelete), &wait);
    return window;
}

}  // namespace

void RunWithProgressWindow(std::u16string_view title, TransferProgress& progress,
                           const std::function<void()>& work) {
    Wait wait;
    wait.progress = &progress;
    wait.loop = g_main_loop_new(nullptr, FALSE);
    GtkWidget* window = CreateWindow(title, wait);
    OnTick(&wait);
    gtk_widget_show_all(window);
    const guint tick = g_timeout_add(100, OnTick, &wait);

    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        g_idle_add(OnWorkDone, &wait);
    });
    // A modal window takes the input of the program's other windows while
    // this loop keeps them painted.
    g_main_loop_run(wait.loop);
    worker.join();

    g_source_remove(tick);
    gtk_widget_destroy(window);
    g_main_loop_unref(wait.loop);
    if (failure) {
        std::rethrow_exception(failure);
    }
}
