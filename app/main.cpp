// Program entry: the locale, the X11 backend, and the application object.

#include <gtk/gtk.h>

#include <clocale>
#include <cstdio>

#include "app/LoginApp.h"

CLoginApp theApp;

int main() {
    // Narrow text is in the charset the environment's locale names.
    std::setlocale(LC_ALL, "");
    // The two windows place themselves at global positions, which X11 lets
    // them do (on a Wayland desktop, through XWayland).
    gdk_set_allowed_backends("x11");
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fputs("login-launcher: cannot open the X display\n", stderr);
        return 1;
    }
    return theApp.InitInstance();
}
