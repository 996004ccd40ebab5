// Measures how long programs take from exec to their window on screen, for
// bench/startup-bench.sh, which starts a private X server (no window
// manager):
//
//   startup-bench <runs> <case>...
//
// where each case is one of
//
//   map <program>
//       exec to the first map of a top-level window;
//   pixel <x> <y> <rrggbb> <program>
//       exec to the moment the pixel at (x, y) of a top-level window mapped
//       by the program shows the colour given (within a small tolerance).
//
// Every case is started once unmeasured (so that none pays alone for a cold
// file cache), then `runs` times, the cases taking turns in an order that
// rotates from one turn to the next, so that a busy moment of the machine
// falls on all of them alike. Prints a line per case, in the order given:
// the median, the lower and the upper quartile, in seconds. Each program is
// killed, with everything it started, once measured.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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

struct Case {
    bool wantPixel = false;
    int x = 0;
    int y = 0;
    unsigned long rgb = 0;
    char* program = nullptr;
    std::vector<double> seconds;
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

// True when the pixel at (x, y) of `window` has the case's colour.
bool ShowsPixel(Display* display, Window window, const Case& target) {
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
// top-level window mapped so far: a program may map more than one, and not
// necessarily the pictured one first.
bool WaitForWindow(Display* display, const Case& target, Clock::time_point deadline) {
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

double MeasureOnce(Display* display, const Case& target) {
    XSync(display, True);  // forget events of earlier runs
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A process group of its own, so that the processes it starts (a web
    // engine's) die with it and take no CPU from the next run.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    char* argv[] = {target.program, nullptr};
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, target.program, nullptr, &attributes, argv, environ) != 0) {
        Fail(std::string("cannot start ") + target.program);
    }
    posix_spawnattr_destroy(&attributes);
    const bool seen = WaitForWindow(display, target, start + std::chrono::seconds(30));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    kill(-pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    // The group's other members are reaped by init, maybe late: wait until
    // none of them runs any more.
    for (int i = 0; i < 1000 && kill(-pid, 0) == 0; ++i) {
        usleep(5000);
    }
    if (!seen) {
        Fail(std::string(target.program) + " showed nothing within 30 s");
    }
    return seconds;
}

double Quantile(const std::vector<double>& sorted, double q) {
    const double at = q * double(sorted.size() - 1);
    const size_t below = size_t(at);
    const size_t above = std::min(below + 1, sorted.size() - 1);
    return sorted[below] + (at - double(below)) * (sorted[above] - sorted[below]);
}

[[noreturn]] void Usage() {
    Fail("usage: startup-bench <runs> (map <program> | pixel <x> <y> <rrggbb> <program>)...");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        Usage();
    }
    const int runs = std::atoi(argv[1]);
    std::vector<Case> cases;
    for (int i = 2; i < argc;) {
        const std::string kind = argv[i];
        Case target;
        if (kind == "map" && i + 1 < argc) {
            target.program = argv[i + 1];
            i += 2;
        } else if (kind == "pixel" && i + 4 < argc) {
            target = {true, std::atoi(argv[i + 1]), std::atoi(argv[i + 2]),
                      std::strtoul(argv[i + 3], nullptr, 16), argv[i + 4]};
            i += 5;
        } else {
            Usage();
        }
        cases.push_back(target);
    }
    if (runs < 1 || cases.empty()) {
        Usage();
    }
    // A window read while it is still being placed can fail (part of it off
    // the screen); such a read counts as "not yet", and the program under
    // measurement must never be left running by an X error ending us.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        Fail("no X display");
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    for (const Case& target : cases) {
        MeasureOnce(display, target);
    }
    for (int turn = 0; turn < runs; ++turn) {
        for (size_t i = 0; i < cases.size(); ++i) {
            Case& target = cases[(size_t(turn) + i) % cases.size()];
            target.seconds.push_back(MeasureOnce(display, target));
        }
    }
    for (Case& target : cases) {
        std::sort(target.seconds.begin(), target.seconds.end());
        std::printf("%.6f %.6f %.6f\n", Quantile(target.seconds, 0.5),
                    Quantile(target.seconds, 0.25), Quantile(target.seconds, 0.75));
    }
    return 0;
}
