// Stands in for the handheld's game mode in GUI tests: gamescope, the X11
// compositing window manager every program runs under there, cannot run on
// the test machines. This applies its window rules on a plain X server (with
// a compositing manager such as xcompmgr running, so that windows keep their
// pixels and their alpha) and paints what it would show. The rules follow
// ValveSoftware/gamescope's src/steamcompmgr.cpp (3.16 and 3.11.49 alike
// where not said otherwise); the functions named below are its own.
//
//   game-mode-compositor [--appid N] [--origin]
//
// --appid: the game Steam asks gamescope to show (GAMESCOPECTRL_BASELAYER_APPID);
//   without it, the application of the window that ranks first.
// --origin: move the focus window to the screen's origin, as 3.11.49 does;
//   newer versions leave it where it is and paint it as if it were there.
//
// It is the screen's window manager, as gamescope is. Commands on stdin, one
// a line, each answered by one JSON line on stdout:
//   focus               what it would show: the focus window, its scale and
//                       offset, the override-redirect window over it
//   paint RAW [PNG]     the same, after writing the screen it would paint as
//                       RGB bytes, row by row, to RAW (and as a PNG)
// It prints "ready" once it manages the screen.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

Display* g_display = nullptr;
Window g_root = None;
int g_outputWidth = 0;
int g_outputHeight = 0;
unsigned long g_wantedAppId = 0;
bool g_moveToOrigin = false;

struct Atoms {
    Atom netWmName, utf8String, netWmPid, netWmState, fullscreen, skipTaskbar, skipPager,
        windowType, typeDialog, typeNormal, activeWindow, wmState, wmChangeState, steamGame,
        supported, supportingWmCheck;
} g_atoms;

// What gamescope keeps of a window between events: it reads _NET_WM_STATE
// when the window maps and afterwards follows the client's requests only,
// without writing them back (handle_net_wm_state).
struct Tracked {
    unsigned long mapSequence = 0;
    bool fullscreen = false;
    bool skipTaskbar = false;
    bool skipPager = false;
    bool placed = false;
};
std::map<Window, Tracked> g_tracked;
unsigned long g_sequence = 0;
Window g_inputFocus = None;

// One top-level window as the rules see it.
struct Candidate {
    Window id = None;
    int x = 0, y = 0, width = 0, height = 0, depth = 0;
    bool overrideRedirect = false;
    Window transientFor = None;
    bool isDialog = false;
    bool maybeDropdownHints = false;
    bool sizeHintsSpecified = false;
    int requestedWidth = 0, requestedHeight = 0;
    unsigned long appId = 0;
    long pid = 0;
    std::string title;
    Tracked state;
};

int IgnoreErrors(Display*, XErrorEvent*) {
    // Windows come and go between a query and its use.
    return 0;
}

std::vector<unsigned long> Property(Window window, Atom property, Atom type) {
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> values;
    if (XGetWindowProperty(g_display, window, property, 0, 1024, False, type, &actualType, &format,
                           &count, &after, &data) == Success &&
        data != nullptr) {
        if (format == 32) {
            auto* longs = reinterpret_cast<unsigned long*>(data);
            values.assign(longs, longs + count);
        }
        XFree(data);
    }
    return values;
}

std::string Title(Window window) {
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(g_display, window, g_atoms.netWmName, 0, 1024, False, g_atoms.utf8String,
                           &actualType, &format, &count, &after, &data) == Success &&
        data != nullptr) {
        title.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
        return title;
    }
    char* name = nullptr;
    if (XFetchName(g_display, window, &name) && name != nullptr) {
        title = name;
        XFree(name);
    }
    return title;
}

// gamescope takes a window's application from its process (get_appid_from_pid:
// the "SteamLaunch AppId=N" that Steam's launcher carries, above the game in
// its process tree), or from the STEAM_GAME property, which wins. Every
// process Steam starts a game in carries SteamGameId in its environment:
// that stands for the launcher's command line here.
unsigned long AppIdOf(Window window, long pid) {
    const auto steamGame = Property(window, g_atoms.steamGame, XA_CARDINAL);
    if (!steamGame.empty() && steamGame[0] != 0) {
        return steamGame[0];
    }
    if (pid <= 0) {
        return 0;
    }
    std::ifstream environ("/proc/" + std::to_string(pid) + "/environ", std::ios::binary);
    std::string entry;
    while (std::getline(environ, entry, '\0')) {
        if (entry.rfind("SteamGameId=", 0) == 0) {
            return std::strtoul(entry.c_str() + 12, nullptr, 10);
        }
    }
    return 0;
}

void ReadInitialState(Window window, Tracked& state) {
    // get_net_wm_state, at map time.
    for (unsigned long atom : Property(window, g_atoms.netWmState, XA_ATOM)) {
        state.fullscreen |= atom == g_atoms.fullscreen;
        state.skipTaskbar |= atom == g_atoms.skipTaskbar;
        state.skipPager |= atom == g_atoms.skipPager;
    }
}

std::optional<Candidate> Describe(Window window) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(g_display, window, &attributes) ||
        attributes.map_state != IsViewable || attributes.c_class != InputOutput) {
        return std::nullopt;
    }
    Candidate c;
    c.id = window;
    c.x = attributes.x;
    c.y = attributes.y;
    c.width = attributes.width;
    c.height = attributes.height;
    c.depth = attributes.depth;
    c.overrideRedirect = attributes.override_redirect;
    Window owner = None;
    if (XGetTransientForHint(g_display, window, &owner)) {
        c.transientFor = owner;
    }
    // get_win_type: a transient window is a dialog unless it says it is normal.
    c.isDialog = c.transientFor != None;
    for (unsigned long type : Property(window, g_atoms.windowType, XA_ATOM)) {
        if (type == g_atoms.typeDialog) {
            c.isDialog = true;
        }
        if (type == g_atoms.typeNormal) {
            c.isDialog = false;
        }
    }
    // get_size_hints: a fixed place with static gravity may be a drop-down;
    // equal smallest and largest sizes are the size the window asks for.
    XSizeHints hints{};
    long supplied = 0;
    if (XGetWMNormalHints(g_display, window, &hints, &supplied)) {
        c.maybeDropdownHints =
            (supplied & (PPosition | PWinGravity)) == (PPosition | PWinGravity) && hints.x >= 0 &&
            hints.y >= 0 && hints.win_gravity == StaticGravity;
        if ((supplied & (PMaxSize | PMinSize)) && hints.max_width && hints.max_height &&
            hints.min_width == hints.max_width && hints.min_height == hints.max_height) {
            c.sizeHintsSpecified = true;
            c.requestedWidth = hints.max_width;
            c.requestedHeight = hints.max_height;
        }
    }
    // gamescope asks the X server for the client's process (XRes); programs
    // say it themselves in _NET_WM_PID, which is enough for the tests'.
    const auto pid = Property(window, g_atoms.netWmPid, XA_CARDINAL);
    c.pid = pid.empty() ? 0 : static_cast<long>(pid[0]);
    c.appId = AppIdOf(window, c.pid);
    c.title = Title(window);
    auto tracked = g_tracked.find(window);
    if (tracked == g_tracked.end()) {
        // Mapped before this manager started: in stacking order.
        tracked = g_tracked.emplace(window, Tracked{}).first;
        tracked->second.mapSequence = ++g_sequence;
        ReadInitialState(window, tracked->second);
    }
    c.state = tracked->second;
    return c;
}

// win_is_useless: 1x1 windows.
bool IsUseless(const Candidate& w) {
    return w.width == 1 && w.height == 1;
}

bool IsOverrideRedirect(const Candidate& w) {
    return w.overrideRedirect && !IsUseless(w);
}

bool SkipAndNotFullscreen(const Candidate& w) {
    return w.state.skipTaskbar && w.state.skipPager && !w.state.fullscreen;
}

// win_maybe_a_dropdown, less the fixes for named Windows games and Wine's
// window styles, which no program here has.
bool MaybeADropdown(const Candidate& w) {
    const bool valid = w.maybeDropdownHints &&
                       (!w.isDialog || (w.transientFor == None && SkipAndNotFullscreen(w))) &&
                       (w.state.skipPager || w.state.skipTaskbar);
    return (valid || IsOverrideRedirect(w)) && !IsUseless(w);
}

// is_focus_priority_greater, for windows that all have a game id (the
// application Steam shows): normal windows over override-redirect ones,
// anything over 1x1, non-drop-downs, windows that are not skip-taskbar and
// skip-pager (unless full screen), then the newest mapped. Damage order,
// the last tie-break, cannot be seen from outside.
bool IsFocusPriorityGreater(const Candidate& a, const Candidate& b) {
    if (IsOverrideRedirect(a) != IsOverrideRedirect(b)) {
        return !IsOverrideRedirect(a);
    }
    if (IsUseless(a) != IsUseless(b)) {
        return !IsUseless(a);
    }
    if (MaybeADropdown(a) != MaybeADropdown(b)) {
        return !MaybeADropdown(a);
    }
    if (SkipAndNotFullscreen(a) != SkipAndNotFullscreen(b)) {
        return !SkipAndNotFullscreen(a);
    }
    if (MaybeADropdown(a) && MaybeADropdown(b) && a.isDialog != b.isDialog) {
        return !a.isDialog;
    }
    if (MaybeADropdown(a) && MaybeADropdown(b) &&
        (a.transientFor == None) != (b.transientFor == None)) {
        return a.transientFor == None;
    }
    return a.state.mapSequence > b.state.mapSequence;
}

// is_good_override_candidate: another window of the focus window's
// application that reaches into the screen.
bool IsGoodOverride(const Candidate& o, const Candidate& focus) {
    return o.id != focus.id && o.appId == focus.appId && o.x + o.width > 0 && o.y + o.height > 0;
}

struct Choice {
    std::vector<Candidate> windows;  // the application's, best first
    const Candidate* focus = nullptr;
    const Candidate* override = nullptr;
};

// GetPossibleFocusWindows: mapped InputOutput windows, top of the stack first
// (its list order, which the stable sort keeps among equals).
Choice PossibleFocusWindows() {
    Choice choice;
    Window rootReturn = None, parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(g_display, g_root, &rootReturn, &parent, &children, &count)) {
        return choice;
    }
    std::vector<Candidate> all;
    for (unsigned int i = count; i-- > 0;) {
        if (auto c = Describe(children[i]); c && c->appId != 0) {
            all.push_back(*c);
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    std::stable_sort(all.begin(), all.end(), IsFocusPriorityGreater);
    unsigned long appId = g_wantedAppId != 0 ? g_wantedAppId : (all.empty() ? 0 : all[0].appId);
    for (const Candidate& c : all) {
        if (c.appId == appId) {
            choice.windows.push_back(c);
        }
    }
    return choice;
}

// pick_primary_focus_and_override, as when Steam asks for one application:
// its first window; then, while another window is transient for it (and is
// no drop-down), that one instead, so a dialog replaces its owner on the
// screen. The override window, painted over the focus window, is the first
// override-redirect window of the application, then whatever is transient
// for it; failing one, a window that may be a drop-down.
void PickPrimaryFocusAndOverride(Choice& choice) {
    const auto& windows = choice.windows;
    if (windows.empty()) {
        return;
    }
    const Candidate* focus = &windows[0];
    for (bool found = true; found;) {
        found = false;
        for (const Candidate& c : windows) {
            if (c.id != focus->id && c.transientFor == focus->id && !MaybeADropdown(c)) {
                focus = &c;
                found = true;
                break;
            }
        }
    }
    const Candidate* override = nullptr;
    auto resolveTransientOverrides = [&](bool maybe) {
        for (bool found = true; found;) {
            found = false;
            for (const Candidate& c : windows) {
                const bool dropdown = maybe ? MaybeADropdown(c) : IsOverrideRedirect(c);
                const Window owner = override != nullptr ? override->id : focus->id;
                if (c.id != focus->id && (override == nullptr || c.id != override->id) &&
                    c.transientFor == owner && dropdown) {
                    override = &c;
                    found = true;
                    break;
                }
            }
        }
    };
    for (const Candidate& c : windows) {
        if (IsOverrideRedirect(c) && IsGoodOverride(c, *focus)) {
            override = &c;
            break;
        }
    }
    resolveTransientOverrides(false);
    if (override == nullptr) {
        for (const Candidate& c : windows) {
            if (MaybeADropdown(c) && IsGoodOverride(c, *focus)) {
                override = &c;
                break;
            }
        }
        resolveTransientOverrides(true);
    }
    choice.focus = focus;
    choice.override = override;
}

// What determine_and_apply_focus tells the windows: the keyboard focus and
// _NET_ACTIVE_WINDOW, the focus window raised, a full-screen game window
// made as large as the screen and a fixed-size one kept at its size. 3.16
// moves a focus window only when it is exactly the screen's size (to the
// origin, once); 3.11.49 moves every focus window to the origin.
void ApplyFocus() {
    Choice choice = PossibleFocusWindows();
    PickPrimaryFocusAndOverride(choice);
    if (choice.focus == nullptr) {
        return;
    }
    const Candidate& w = *choice.focus;
    if (g_inputFocus != w.id) {
        XSetInputFocus(g_display, w.id, RevertToNone, CurrentTime);
        XChangeProperty(g_display, g_root, g_atoms.activeWindow, XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&w.id), 1);
        XRaiseWindow(g_display, w.id);
        g_inputFocus = w.id;
    }
    Tracked& tracked = g_tracked[w.id];
    if (g_moveToOrigin) {
        if (w.x != 0 || w.y != 0) {
            XMoveWindow(g_display, w.id, 0, 0);
        }
    } else if (!tracked.placed && w.width == g_outputWidth && w.height == g_outputHeight) {
        if (w.x != 0 || w.y != 0) {
            XMoveWindow(g_display, w.id, 0, 0);
        }
        tracked.placed = true;
    }
    if (w.state.fullscreen) {
        if (w.width != g_outputWidth || w.height != g_outputHeight) {
            XResizeWindow(g_display, w.id, g_outputWidth, g_outputHeight);
        }
    } else if (w.sizeHintsSpecified &&
               (w.width != w.requestedWidth || w.height != w.requestedHeight)) {
        XResizeWindow(g_display, w.id, w.requestedWidth, w.requestedHeight);
    }
    XFlush(g_display);
}

// calc_scale_factor with gamescope's defaults (the "auto" scaler, no largest
// scale, the game's nested size equal to the output's): the window fits the
// output with its aspect kept; a small one is enlarged.
double CalcScaleFactor(double sourceWidth, double sourceHeight) {
    return std::min(g_outputWidth / sourceWidth, g_outputHeight / sourceHeight);
}

struct Layer {
    const Candidate* window;
    double scale = 1.0;
    int offsetX = 0, offsetY = 0;
};

// paint_window_commit: the focus window is painted centred whatever its X11
// origin; it is sized to take in the override window too (its "fit"), and
// the override window stands where it stands from the focus window's corner
// (never left of or above it), at the same scale.
std::vector<Layer> Layers(const Choice& choice) {
    std::vector<Layer> layers;
    if (choice.focus == nullptr) {
        return layers;
    }
    const Candidate& focus = *choice.focus;
    int sourceWidth = focus.width;
    int sourceHeight = focus.height;
    if (choice.override != nullptr) {
        const Candidate& fit = *choice.override;
        sourceWidth =
            std::max(sourceWidth, std::clamp(fit.x - focus.x + fit.width, 0, g_outputWidth));
        sourceHeight =
            std::max(sourceHeight, std::clamp(fit.y - focus.y + fit.height, 0, g_outputHeight));
    }
    Layer base{&focus};
    const bool override = choice.override != nullptr;
    int winOffsetX = 0, winOffsetY = 0;
    if (override) {
        winOffsetX = std::max(choice.override->x - focus.x, 0);
        winOffsetY = std::max(choice.override->y - focus.y, 0);
    }
    if (sourceWidth != g_outputWidth || sourceHeight != g_outputHeight || winOffsetX != 0 ||
        winOffsetY != 0) {
        base.scale = CalcScaleFactor(sourceWidth, sourceHeight);
        // Truncated, as gamescope stores the offset in an int.
        base.offsetX = static_cast<int>((g_outputWidth - sourceWidth * base.scale) / 2.0);
        base.offsetY = static_cast<int>((g_outputHeight - sourceHeight * base.scale) / 2.0);
    }
    layers.push_back(base);
    if (override) {
        Layer top = base;
        top.window = choice.override;
        top.offsetX += static_cast<int>(winOffsetX * top.scale);
        top.offsetY += static_cast<int>(winOffsetY * top.scale);
        layers.push_back(top);
    }
    return layers;
}

// A window's pixels as premultiplied ARGB. With a compositing manager
// running, every top-level window keeps its own pixels, covered or not, and
// a 32-bit one its alpha; any other is opaque.
cairo_surface_t* Contents(const Candidate& w) {
    XImage* image = XGetImage(g_display, w.id, 0, 0, w.width, w.height, AllPlanes, ZPixmap);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w.width, w.height);
    if (image == nullptr) {
        return surface;
    }
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < w.height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + ptrdiff_t(y) * stride);
        for (int x = 0; x < w.width; ++x) {
            const auto pixel = static_cast<uint32_t>(XGetPixel(image, x, y));
            row[x] = w.depth == 32 ? pixel : (pixel | 0xff000000u);
        }
    }
    cairo_surface_mark_dirty(surface);
    XDestroyImage(image);
    return surface;
}

// The output: black, then each layer scaled with gamescope's default filter
// (linear) and blended as premultiplied alpha. Transparent pixels of the
// focus window come out black.
cairo_surface_t* Paint(const std::vector<Layer>& layers) {
    cairo_surface_t* output =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, g_outputWidth, g_outputHeight);
    cairo_t* cr = cairo_create(output);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    for (const Layer& layer : layers) {
        cairo_surface_t* contents = Contents(*layer.window);
        cairo_save(cr);
        cairo_translate(cr, layer.offsetX, layer.offsetY);
        cairo_scale(cr, layer.scale, layer.scale);
        // Sampled up to the window's edges, which do not fade into black.
        cairo_rectangle(cr, 0, 0, layer.window->width, layer.window->height);
        cairo_clip(cr);
        cairo_set_source_surface(cr, contents, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BILINEAR);
        cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
        cairo_paint(cr);
        cairo_restore(cr);
        cairo_surface_destroy(contents);
    }
    cairo_destroy(cr);
    cairo_surface_flush(output);
    return output;
}

bool WriteRaw(cairo_surface_t* output, const std::string& path) {
    std::ofstream file(path, std::ios::binary);
    const unsigned char* data = cairo_image_surface_get_data(output);
    const int stride = cairo_image_surface_get_stride(output);
    std::string row(static_cast<size_t>(g_outputWidth) * 3, '\0');
    for (int y = 0; y < g_outputHeight; ++y) {
        const auto* pixels = reinterpret_cast<const uint32_t*>(data + ptrdiff_t(y) * stride);
        for (int x = 0; x < g_outputWidth; ++x) {
            const size_t at = size_t(x) * 3;
            row[at] = static_cast<char>((pixels[x] >> 16) & 0xff);
            row[at + 1] = static_cast<char>((pixels[x] >> 8) & 0xff);
            row[at + 2] = static_cast<char>(pixels[x] & 0xff);
        }
        file.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
    return static_cast<bool>(file);
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Describe(const Candidate& w) {
    std::ostringstream json;
    json << "{\"id\": " << w.id << ", \"title\": " << Quoted(w.title) << ", \"rect\": [" << w.x
         << ", " << w.y << ", " << w.width << ", " << w.height
         << "], \"override_redirect\": " << (IsOverrideRedirect(w) ? "true" : "false")
         << ", \"transient_for\": " << w.transientFor << ", \"pid\": " << w.pid << "}";
    return json.str();
}

std::string Facts(const Choice& choice, const std::vector<Layer>& layers) {
    std::ostringstream json;
    json << "{\"output\": [" << g_outputWidth << ", " << g_outputHeight << "]";
    if (choice.focus == nullptr) {
        json << ", \"focus\": null}";
        return json.str();
    }
    Window xFocus = None;
    int revert = 0;
    XGetInputFocus(g_display, &xFocus, &revert);
    json << ", \"focus\": " << Describe(*choice.focus) << ", \"scale\": " << layers[0].scale
         << ", \"offset\": [" << layers[0].offsetX << ", " << layers[0].offsetY << "]"
         << ", \"painted\": [";
    for (size_t i = 0; i < layers.size(); ++i) {
        json << (i ? ", " : "") << "{\"id\": " << layers[i].window->id << ", \"offset\": ["
             << layers[i].offsetX << ", " << layers[i].offsetY << "]}";
    }
    json << "], \"override\": "
         << (choice.override != nullptr ? Describe(*choice.override) : std::string("null"))
         << ", \"input_focus\": " << xFocus << ", \"windows\": [";
    for (size_t i = 0; i < choice.windows.size(); ++i) {
        json << (i ? ", " : "") << Describe(choice.windows[i]);
    }
    json << "]}";
    return json.str();
}

std::string Answer(const std::string& line) {
    std::istringstream words(line);
    std::string command, raw, png;
    words >> command >> raw >> png;
    if (command != "focus" && command != "paint") {
        return "{\"error\": " + Quoted("unknown command: " + line) + "}";
    }
    Choice choice = PossibleFocusWindows();
    PickPrimaryFocusAndOverride(choice);
    const auto layers = Layers(choice);
    if (command == "paint") {
        cairo_surface_t* output = Paint(layers);
        const bool written = WriteRaw(output, raw) &&
                             (png.empty() || cairo_surface_write_to_png(output, png.c_str()) ==
                                                 CAIRO_STATUS_SUCCESS);
        cairo_surface_destroy(output);
        if (!written) {
            return "{\"error\": " + Quoted("cannot write " + raw) + "}";
        }
    }
    return Facts(choice, layers);
}

// Client requests to the window manager, as handle_client_message takes
// them: a window asking to be active is raised; _NET_WM_STATE changes are
// remembered, not written back; minimising is only faked (WM_STATE says
// iconic, the window stays on the screen).
void OnClientMessage(const XClientMessageEvent& event) {
    if (event.message_type == g_atoms.activeWindow) {
        XRaiseWindow(g_display, event.window);
    } else if (event.message_type == g_atoms.netWmState) {
        Tracked& state = g_tracked[event.window];
        for (int i = 1; i <= 2; ++i) {
            bool* flag = nullptr;
            const auto atom = static_cast<Atom>(event.data.l[i]);
            if (atom == g_atoms.fullscreen) {
                flag = &state.fullscreen;
            } else if (atom == g_atoms.skipTaskbar) {
                flag = &state.skipTaskbar;
            } else if (atom == g_atoms.skipPager) {
                flag = &state.skipPager;
            }
            if (flag != nullptr) {
                *flag = event.data.l[0] == 2 ? !*flag : event.data.l[0] == 1;
            }
        }
    } else if (event.message_type == g_atoms.wmChangeState && event.data.l[0] == IconicState) {
        const long state[2] = {IconicState, None};
        XChangeProperty(g_display, event.window, g_atoms.wmState, g_atoms.wmState, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(state), 2);
    }
}

// Returns whether the focus may have changed.
bool OnEvent(const XEvent& event) {
    switch (event.type) {
        case MapRequest:
            // map_request: every window maps as it asks.
            XSelectInput(g_display, event.xmaprequest.window, PropertyChangeMask);
            XMapWindow(g_display, event.xmaprequest.window);
            return false;
        case ConfigureRequest: {
            // configure_request: every place, size and stacking is granted.
            const XConfigureRequestEvent& request = event.xconfigurerequest;
            XWindowChanges changes{
                request.x,     request.y,     request.width, request.height, request.border_width,
                request.above, request.detail};
            XConfigureWindow(g_display, request.window, request.value_mask, &changes);
            return false;
        }
        case MapNotify: {
            if (event.xmap.event != g_root) {
                return false;
            }
            Tracked state;
            state.mapSequence = ++g_sequence;
            ReadInitialState(event.xmap.window, state);
            g_tracked[event.xmap.window] = state;
            if (!event.xmap.override_redirect) {
                const long normal[2] = {NormalState, None};
                XChangeProperty(g_display, event.xmap.window, g_atoms.wmState, g_atoms.wmState, 32,
                                PropModeReplace, reinterpret_cast<const unsigned char*>(normal), 2);
            }
            return true;
        }
        case UnmapNotify:
        case DestroyNotify:
            // Both events name the window at the same place.
            if (event.xunmap.window == g_inputFocus) {
                g_inputFocus = None;
            }
            if (event.type == DestroyNotify) {
                g_tracked.erase(event.xdestroywindow.window);
            }
            return true;
        case PropertyNotify:
        case ConfigureNotify:
            return true;
        case ClientMessage:
            OnClientMessage(event.xclient);
            return true;
        default:
            return false;
    }
}

// Handles every event there is, applying the focus after each batch. Any
// round trip (ApplyFocus's, an answer's) moves the events that came before
// its reply from the socket into Xlib's queue, where poll() no longer sees
// them: a window asking to map would wait for ever. So this returns only
// once that queue stays empty, with every request sent.
void HandleEvents() {
    while (XPending(g_display) > 0) {
        bool dirty = false;
        while (XPending(g_display) > 0) {
            XEvent event;
            XNextEvent(g_display, &event);
            dirty |= OnEvent(event);
        }
        if (dirty) {
            ApplyFocus();
        }
    }
}

// Tells clients there is a window manager, and what it supports, as
// gamescope's register_cm does.
void Announce() {
    Window check = XCreateSimpleWindow(g_display, g_root, 0, 0, 1, 1, 0, 0, 0);
    XChangeProperty(g_display, g_root, g_atoms.supportingWmCheck, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&check), 1);
    XChangeProperty(g_display, check, g_atoms.supportingWmCheck, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&check), 1);
    const char name[] = "steamcompmgr";
    XChangeProperty(g_display, check, g_atoms.netWmName, g_atoms.utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(name), sizeof name - 1);
    const Atom supported[] = {g_atoms.netWmState, g_atoms.fullscreen, g_atoms.skipTaskbar,
                              g_atoms.skipPager, g_atoms.activeWindow};
    XChangeProperty(g_display, g_root, g_atoms.supported, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(supported), 5);
}

void InternAtoms() {
    auto atom = [](const char* name) { return XInternAtom(g_display, name, False); };
    g_atoms = {atom("_NET_WM_NAME"),
               atom("UTF8_STRING"),
               atom("_NET_WM_PID"),
               atom("_NET_WM_STATE"),
               atom("_NET_WM_STATE_FULLSCREEN"),
               atom("_NET_WM_STATE_SKIP_TASKBAR"),
               atom("_NET_WM_STATE_SKIP_PAGER"),
               atom("_NET_WM_WINDOW_TYPE"),
               atom("_NET_WM_WINDOW_TYPE_DIALOG"),
               atom("_NET_WM_WINDOW_TYPE_NORMAL"),
               atom("_NET_ACTIVE_WINDOW"),
               atom("WM_STATE"),
               atom("WM_CHANGE_STATE"),
               atom("STEAM_GAME"),
               atom("_NET_SUPPORTED"),
               atom("_NET_SUPPORTING_WM_CHECK")};
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--appid") == 0 && i + 1 < argc) {
            g_wantedAppId = std::strtoul(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--origin") == 0) {
            g_moveToOrigin = true;
        } else {
            std::fprintf(stderr, "usage: %s [--appid N] [--origin]\n", argv[0]);
            return 2;
        }
    }
    g_display = XOpenDisplay(nullptr);
    if (g_display == nullptr) {
        std::fprintf(stderr, "cannot open the X display\n");
        return 1;
    }
    g_root = DefaultRootWindow(g_display);
    g_outputWidth = DisplayWidth(g_display, DefaultScreen(g_display));
    g_outputHeight = DisplayHeight(g_display, DefaultScreen(g_display));
    InternAtoms();
    XSelectInput(g_display, g_root,
                 SubstructureRedirectMask | SubstructureNotifyMask | PropertyChangeMask);
    XSync(g_display, False);
    XSetErrorHandler(IgnoreErrors);
    Announce();
    ApplyFocus();
    std::printf("ready\n");
    std::fflush(stdout);

    std::string pending;
    pollfd fds[2] = {{ConnectionNumber(g_display), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    while (true) {
        HandleEvents();
        if (poll(fds, 2, -1) < 0) {
            continue;
        }
        if (fds[1].revents & (POLLIN | POLLHUP)) {
            char buffer[4096];
            const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
            if (got <= 0) {
                break;
            }
            pending.append(buffer, static_cast<size_t>(got));
            for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
                const std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                // Whatever happened before the question counts.
                XSync(g_display, False);
                HandleEvents();
                std::printf("%s\n", Answer(line).c_str());
                std::fflush(stdout);
            }
        }
    }
    XCloseDisplay(g_display);
    return 0;
}
