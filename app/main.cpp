// Program entry: the locale, the X11 backend, the window class, and the
// application object.

#include <gtk/gtk.h>

#include <clocale>
#include <cstdio>

#include "app/LoginApp.h"
#include "platform/LauncherConfig.h"

int main() {
    // Narrow text is in the charset the environment's locale names.
    std::setlocale(LC_ALL, "");
    // The two windows place themselves at global positions, which X11 lets
    // them do (on a Wayland desktop, through XWayland).
    gdk_set_allowed_backends("x11");
    // The windows' class names the desktop entry, so that the task bar shows
    // the program's icon and name. A window without a title of its own (the
    // login window) keeps the program's name, apart from the main window's
    // "Tharnvale": tools that pick a window by its title find the main one.
    g_set_prgname(kApplicationId);
    g_set_application_name("login-launcher");
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fputs("login-launcher: cannot open the X display\n", stderr);
        return 1;
    }
    // Both halves of the class, as desktops match either; GTK's own start
    // would make the second one a capitalised copy of the first.
    gdk_set_program_class(kApplicationId);
    return theApp.InitInstance();
}
