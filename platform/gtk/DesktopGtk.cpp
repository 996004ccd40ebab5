#include <gtk/gtk.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Desktop.h"
#include "platform/GameMode.h"
#include "platform/gtk/NativeWindows.h"

namespace {

// The interfaces a Wayland compositor offers, read from its registry; none
// when there is no Wayland session to connect to.
std::optional<std::set<std::string>> WaylandInterfaces() {
    if (std::getenv("WAYLAND_DISPLAY") == nullptr) {
        return std::nullopt;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        return std::nullopt;
    }
    std::set<std::string> interfaces;
    wl_registry* registry = wl_display_get_registry(display);
    static const wl_registry_listener listener = {
        [](void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
            static_cast<std::set<std::string>*>(data)->insert(interface);
        },
        [](void*, wl_registry*, uint32_t) {},
    };
    wl_registry_add_listener(registry, &listener, &interfaces);
    wl_display_roundtrip(display);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return interfaces;
}

// GNOME's and KDE's compositors put X windows where they ask to be, and
// stack them as asked: the two windows work there as on X11. The others
// measured (weston, sway) ignore the places or the stacking of X windows.
bool PlacesXWindows(const std::set<std::string>& interfaces) {
    return interfaces.count("gtk_shell1") != 0 || interfaces.count("org_kde_plasma_shell") != 0;
}

// Opens `backend`, whatever GDK_BACKEND asked for. The variable then names
// the backend opened: the web engine's processes, started with the
// program's environment, must show on the same display as the program.
bool OpenBackend(const char* backend) {
    setenv("GDK_BACKEND", backend, 1);
    gdk_set_allowed_backends(backend);
    return gtk_init_check(nullptr, nullptr);
}

}  // namespace

GdkMonitor* PrimaryMonitor(GdkDisplay* display) {
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    return monitor != nullptr ? monitor : gdk_display_get_monitor(display, 0);
}

bool OpenDesktop(const char* applicationId, const char* name) {
    // The windows' class names the desktop entry, so that the task bar shows
    // the program's icon and name. A window without a title of its own keeps
    // the program's name: tools that pick a window by its title find the
    // main one. On Wayland the same name is the windows' application id.
    g_set_prgname(applicationId);
    g_set_application_name(name);

    const std::optional<std::set<std::string>> wayland = WaylandInterfaces();
    const bool hasX = std::getenv("DISPLAY") != nullptr;
    struct Choice {
        const char* backend;
        WindowShell shell;
    };
    std::vector<Choice> choices;
    const Choice x11{"x11", WindowShell::X11};
    const Choice native{"wayland", WindowShell::Layered};
    if (IsGameMode()) {
        // One window, whichever display: the game mode's compositor shows
        // one window per program and has no window manager to place more.
        choices = {{"x11", WindowShell::GameMode}, {"wayland", WindowShell::GameMode}};
    } else if (hasX && (!wayland || PlacesXWindows(*wayland))) {
        choices = {x11, native};
    } else {
        choices = {native, x11};
    }
    bool opened = false;
    for (const Choice& choice : choices) {
        if ((std::string_view(choice.backend) == "x11" ? hasX : wayland.has_value()) &&
            OpenBackend(choice.backend)) {
            SetWindowShell(choice.shell);
            opened = true;
            break;
        }
    }
    if (!opened) {
        std::fputs(
            "login-launcher: cannot open a display: neither X11 (DISPLAY) nor Wayland "
            "(WAYLAND_DISPLAY) is there to show the windows on\n",
            stderr);
        return false;
    }
    // Both halves of the class, as desktops match either; GTK's own start
    // would make the second one a capitalised copy of the first.
    gdk_set_program_class(applicationId);
    return true;
}
