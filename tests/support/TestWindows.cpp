// Plain X11 windows of one program for the tests of the game-mode stand-in:
// each argument is one window, mapped in the order given, each once the one
// before has mapped. Prints "mapped <id>" for each; they stay until stdin
// closes. A window that does not map within a few seconds (the window manager
// did not let it) ends the program with status 3.
//   test-windows TITLE:WxH+X+Y:AARRGGBB[:FLAGS]...
// AARRGGBB is the window's colour, premultiplied (a 32-bit window when the
// alpha is not ff). FLAGS, comma-separated: "override" (override-redirect),
// "transient" (a dialog transient for the window before), "clear-left" (the
// left half fully transparent).

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Spec {
    std::string title;
    unsigned width = 0, height = 0;
    int x = 0, y = 0;
    unsigned long argb = 0;
    std::string flags;
};

bool Parse(const std::string& text, Spec& spec) {
    const auto first = text.find(':');
    const auto second = text.find(':', first + 1);
    if (first == std::string::npos || second == std::string::npos) {
        return false;
    }
    spec.title = text.substr(0, first);
    if (std::sscanf(text.c_str() + first + 1, "%ux%u%d%d", &spec.width, &spec.height, &spec.x,
                    &spec.y) != 4) {
        return false;
    }
    spec.argb = std::strtoul(text.c_str() + second + 1, nullptr, 16);
    const auto third = text.find(':', second + 1);
    spec.flags = third == std::string::npos ? "" : text.substr(third + 1);
    return true;
}

bool Has(const Spec& spec, const char* flag) {
    return ("," + spec.flags + ",").find(std::string(",") + flag + ",") != std::string::npos;
}

// Waits for `window` to map, at most `seconds`. XCheckWindowEvent reads all
// the connection holds, so poll() then waits for new data only.
bool WaitMapped(Display* display, Window window, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    while (std::chrono::steady_clock::now() < deadline) {
        XEvent event;
        if (XCheckWindowEvent(display, window, StructureNotifyMask, &event)) {
            if (event.type == MapNotify) {
                return true;
            }
        } else {
            poll(&connection, 1, 100);
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return 1;
    }
    const int screen = DefaultScreen(display);
    const Window root = RootWindow(display, screen);
    XVisualInfo argbVisual{};
    XMatchVisualInfo(display, screen, 32, TrueColor, &argbVisual);
    const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    const Atom type = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
    const Atom dialog = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
    Window previous = None;
    for (int i = 1; i < argc; ++i) {
        Spec spec;
        if (!Parse(argv[i], spec)) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 2;
        }
        const bool translucent = (spec.argb >> 24) != 0xff;
        XSetWindowAttributes attributes{};
        unsigned long mask = CWBorderPixel | CWOverrideRedirect | CWEventMask;
        attributes.override_redirect = Has(spec, "override");
        attributes.event_mask = StructureNotifyMask;
        int depth = CopyFromParent;
        Visual* visual = CopyFromParent;
        if (translucent) {
            depth = 32;
            visual = argbVisual.visual;
            attributes.colormap = XCreateColormap(display, root, visual, AllocNone);
            mask |= CWColormap;
        }
        const Window window = XCreateWindow(display, root, spec.x, spec.y, spec.width, spec.height,
                                            0, depth, InputOutput, visual, mask, &attributes);
        // The colour as the window's background, drawn by the server.
        const Pixmap face = XCreatePixmap(display, window, spec.width, spec.height,
                                          translucent ? 32 : DefaultDepth(display, screen));
        GC gc = XCreateGC(display, face, 0, nullptr);
        XSetForeground(display, gc, spec.argb);
        XFillRectangle(display, face, gc, 0, 0, spec.width, spec.height);
        if (Has(spec, "clear-left")) {
            XSetForeground(display, gc, 0);
            XFillRectangle(display, face, gc, 0, 0, spec.width / 2, spec.height);
        }
        XSetWindowBackgroundPixmap(display, window, face);
        XFreeGC(display, gc);
        XStoreName(display, window, spec.title.c_str());
        XChangeProperty(display, window, netWmName, utf8, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(spec.title.data()),
                        static_cast<int>(spec.title.size()));
        const long pid = getpid();
        XChangeProperty(display, window, pidAtom, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pid), 1);
        if (Has(spec, "transient") && previous != None) {
            XSetTransientForHint(display, window, previous);
            XChangeProperty(display, window, type, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&dialog), 1);
        }
        XMapWindow(display, window);
        if (!WaitMapped(display, window, 10)) {
            std::fprintf(stderr, "%s was not mapped within 10 s\n", spec.title.c_str());
            return 3;
        }
        std::printf("mapped %lu\n", window);
        std::fflush(stdout);
        previous = window;
    }
    XSync(display, False);
    char buffer[64];
    while (read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
    }
    XCloseDisplay(display);
    return 0;
}
