#include <gtk/gtk.h>

#include "platform/MessageLoop.h"

namespace {

GMainLoop* g_pLoop = nullptr;
bool g_bQuitPosted = false;
int g_nExitCode = 0;
guint g_nQuitSource = 0;

gboolean OnQuitPosted(gpointer) {
    g_nQuitSource = 0;
    if (g_pLoop != nullptr) {
        g_main_loop_quit(g_pLoop);
    }
    return G_SOURCE_REMOVE;
}

}  // namespace

void PostQuitMessage(int exitCode) {
    g_bQuitPosted = true;
    g_nExitCode = exitCode;
    // An idle callback runs only once control is back in a main loop, which
    // is when a posted quit message would be seen.
    if (g_nQuitSource == 0) {
        g_nQuitSource = g_idle_add(OnQuitPosted, nullptr);
    }
}

bool IsQuitPosted() { return g_bQuitPosted; }

int RunMessageLoop(int defaultCode) {
    if (!g_bQuitPosted) {
        g_pLoop = g_main_loop_new(nullptr, FALSE);
        g_main_loop_run(g_pLoop);
        g_main_loop_unref(g_pLoop);
        g_pLoop = nullptr;
    }
    if (g_nQuitSource != 0) {
        g_source_remove(g_nQuitSource);
        g_nQuitSource = 0;
    }
    const int code = g_bQuitPosted ? g_nExitCode : defaultCode;
    g_bQuitPosted = false;
    return code;
}

void EndMessageLoop() {
    if (g_pLoop != nullptr) {
        g_main_loop_quit(g_pLoop);
    }
}
