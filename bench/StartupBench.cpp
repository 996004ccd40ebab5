// Measures how long a program takes from exec to its window on screen, for
// bench/run.sh, which starts a private X server (no window manager):
//
//   startup-bench map <runs> <program>...
//       exec to the first map of a top-level window; prints the median s.
//   startup-bench pixel <x> <y> <rrggbb> <runs> <program>...
//       exec to the moment the pixel at (x, y) of the first top-level window
//       mapped shows the colour given (within a small tolerance); prints the
//       median s.
//
// The program is killed once measured; runs are sequential.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void Fail(const std::string& why) {
    std::fprintf(stderr, "startup-bench: %s\n", why.c_str());
    std::exit(1);
}

struct Target {
    bool wantPixel = false;
    int x = 0;
    int y = 0;
    unsigned long rgb = 0;
};

bool Close(unsigned long a, unsigned long b) {
    for (int shift = 0; shift < 24; shift += 8) {
        const long d = long((a >> shift) & 0xFF) - long((b >> shift) & 0xFF);
        if (d > 8 || d < -8) {
            return false;
        }
    }
    return true;
}

// True when the pixel at (x, y) of `window` has the target's colour.
bool ShowsPixel(Display* display, Window window, const Target& target) {
    int x = 0;
    int y = 0;
    Window child;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    XImage* image = XGetImage(display, DefaultRootWindow(display), x + target.x, y + target.y, 1, 1,
                              AllPlanes, ZPixmap);
    const unsigned long pixel = image != nullptr ? XGetPixel(image, 0, 0) : 0;
    if (image != nullptr) {
        XDestroyImage(image);
    }
    return Close(pixel & 0xFFFFFF, target.rgb);
}

// Waits for the first top-level map, then, when asked, for the pixel in any
// top-level window mapped so far: the program maps more than one, and not
// necessarily the pictured one first.
bool WaitForWindow(Display* display, const Target& target, Clock::time_point deadline) {
    const Window root = DefaultRootWindow(display);
    std::vector<Window> mapped;
    while (Clock::now() < deadline) {
        while (XPending(display) != 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && event.xmap.event == root) {
                if (!target.wantPixel) {
                    return true;
                }
                mapped.push_back(event.xmap.window);
            }
        }
        for (const Window window : mapped) {
            if (ShowsPixel(display, window, target)) {
                return true;
            }
        }
        struct timespec pause {
            0, mapped.empty() ? 200000 : 500000
        };
        nanosleep(&pause, nullptr);
    }
    return false;
}

double MeasureOnce(Display* display, const Target& target, char** argv) {
    XSync(display, True);  // forget events of earlier runs
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0) {
        Fail(std::string("cannot start ") + argv[0]);
    }
    const bool seen = WaitForWindow(display, target, start + std::chrono::seconds(30));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    if (!seen) {
        Fail(std::string(argv[0]) + " showed nothing within 30 s");
    }
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        Fail(
            "usage: startup-bench map <runs> <program>... | pixel <x> <y> <rrggbb> <runs> "
            "<program>...");
    }
    Target target;
    int next = 2;
    if (std::string(argv[1]) == "pixel") {
        target = {true, std::atoi(argv[2]), std::atoi(argv[3]), std::strtoul(argv[4], nullptr, 16)};
        next = 5;
    }
    const int runs = std::atoi(argv[next]);
    char** program = argv + next + 1;
    // A window read while it is still being placed can fail (part of it off
    // the screen); such a read counts as "not yet", and the program under
    // measurement must never be left running by an X error ending us.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        Fail("no X display");
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i) {
        seconds.push_back(MeasureOnce(display, target, program));
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("%.6f\n", seconds[seconds.size() / 2]);
    return 0;
}
