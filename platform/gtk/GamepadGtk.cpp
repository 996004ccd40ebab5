// Gamepads through SDL's game controller layer, which knows the buttons of
// most pads by their place (its built-in mapping database, and the mappings
// Steam hands over in SDL_GAMECONTROLLERCONFIG), and keys into GTK as if
// they came from the keyboard.
//
// SDL offers no file descriptor to wait on: it is polled from the main loop,
// at about 60 Hz while a pad is open and a window of the program would take
// its keys (the repeats of a held direction need that), and once a second
// otherwise: to notice a pad plugged in, the player back from another
// program, or the windows shown again after the game has started. A pad
// keeps what it sends until it is read, so nothing pressed is lost.
//
// SDL's library is loaded when the pads are first read, a second after the
// program starts, not linked: Debian's brings fifteen sound and video
// libraries of its own, whose loading would come before the first picture.

#include <SDL.h>
#include <dlfcn.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <map>
#include <type_traits>

#include "platform/GameMode.h"
#include "platform/Gamepad.h"
#include "platform/GamepadKeys.h"
#include "platform/Timer.h"

namespace {

// The few functions of SDL's the program calls, found in its library.
struct CSdl {
    decltype(&SDL_SetHint) SetHint;
    decltype(&SDL_Init) Init;
    decltype(&SDL_GetError) GetError;
    decltype(&SDL_PollEvent) PollEvent;
    decltype(&SDL_GameControllerOpen) GameControllerOpen;
    decltype(&SDL_GameControllerGetJoystick) GameControllerGetJoystick;
    decltype(&SDL_JoystickInstanceID) JoystickInstanceID;
    decltype(&SDL_GameControllerClose) GameControllerClose;

    // Null, with the reason on stderr, where the library or a function of
    // it is missing (SDL older than 2.24 is refused by its version).
    static const CSdl* Load() {
        static const CSdl* const loaded = Find();
        return loaded;
    }

private:
    static const CSdl* Find() {
        void* library = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            std::fprintf(stderr, "login-launcher: no gamepads: %s\n", dlerror());
            return nullptr;
        }
        auto* sdl = new CSdl;
        bool found = true;
        auto find = [&](auto& function, const char* name) {
            function =
                reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(library, name));
            found = found && function != nullptr;
        };
        find(sdl->SetHint, "SDL_SetHint");
        find(sdl->Init, "SDL_Init");
        find(sdl->GetError, "SDL_GetError");
        find(sdl->PollEvent, "SDL_PollEvent");
        find(sdl->GameControllerOpen, "SDL_GameControllerOpen");
        find(sdl->GameControllerGetJoystick, "SDL_GameControllerGetJoystick");
        find(sdl->JoystickInstanceID, "SDL_JoystickInstanceID");
        find(sdl->GameControllerClose, "SDL_GameControllerClose");
        // The first SDL with the virtual pads the tests drive the program
        // with, and a game controller layer that knows the handhelds.
        void* const newEnough = dlsym(library, "SDL_JoystickAttachVirtualEx");
        if (!found || newEnough == nullptr) {
            std::fprintf(stderr, "login-launcher: no gamepads: SDL 2.24 or later is needed\n");
            delete sdl;
            return nullptr;
        }
        return sdl;
    }
};

constexpr unsigned kPadPollMs = 16;
constexpr unsigned kNoPadPollMs = 1000;

int64_t NowMs() {
    return g_get_monotonic_time() / 1000;
}

std::optional<EPadButton> PadButton(Uint8 button) {
    switch (button) {
        case SDL_CONTROLLER_BUTTON_A:
            return EPadButton::South;
        case SDL_CONTROLLER_BUTTON_B:
            return EPadButton::East;
        case SDL_CONTROLLER_BUTTON_Y:
            return EPadButton::North;
        case SDL_CONTROLLER_BUTTON_DPAD_UP:
            return EPadButton::DpadUp;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
            return EPadButton::DpadDown;
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
            return EPadButton::DpadLeft;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
            return EPadButton::DpadRight;
        default:
            return std::nullopt;
    }
}

// The program's window whose keys these are: the active one, or the modal
// dialog that stands over it. On a desktop, none while the player is in
// another program. In game mode no window manager makes a window active:
// then the one on top, a modal dialog, or a dialog over its owner, or the
// newest.
GtkWindow* KeyTarget() {
    GList* windows = gtk_window_list_toplevels();  // oldest first
    GtkWindow* active = nullptr;
    GtkWindow* modal = nullptr;
    GtkWindow* dialog = nullptr;
    GtkWindow* newest = nullptr;
    for (GList* item = windows; item != nullptr; item = item->next) {
        auto* window = GTK_WINDOW(item->data);
        if (gtk_window_get_window_type(window) != GTK_WINDOW_TOPLEVEL ||
            !gtk_widget_get_mapped(GTK_WIDGET(window))) {
            continue;
        }
        if (gtk_window_is_active(window) || gtk_window_has_toplevel_focus(window)) {
            active = window;
        }
        if (gtk_window_get_modal(window)) {
            modal = window;
        }
        if (gtk_window_get_transient_for(window) != nullptr) {
            dialog = window;
        }
        newest = window;
    }
    g_list_free(windows);
    if (active == nullptr && !IsGameMode()) {
        return nullptr;
    }
    if (modal != nullptr) {
        return modal;
    }
    if (active != nullptr) {
        return active;
    }
    return dialog != nullptr ? dialog : newest;
}

// A press and a release of `keyval`, as the keyboard would send them: with
// the key's hardware code from the keymap, the seat's keyboard as device.
// Shift+Tab is ISO_Left_Tab on the Tab key with Shift held.
void SendKey(GtkWindow* target, guint keyval, GdkModifierType state) {
    GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(target));
    GdkDisplay* display = gdk_window_get_display(window);
    const guint key = keyval == GDK_KEY_ISO_Left_Tab ? GDK_KEY_Tab : keyval;
    GdkKeymapKey* entries = nullptr;
    gint count = 0;
    guint16 keycode = 0;
    guint8 group = 0;
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), key, &entries,
                                          &count) &&
        count > 0) {
        keycode = entries[0].keycode;
        group = entries[0].group;
    }
    g_free(entries);
    GdkSeat* seat = gdk_display_get_default_seat(display);
    GdkDevice* keyboard = seat != nullptr ? gdk_seat_get_keyboard(seat) : nullptr;
    // The X server's clock is the monotonic one, in milliseconds.
    const auto time = guint32(NowMs());
    for (const GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
        GdkEvent* event = gdk_event_new(type);
        event->key.window = GDK_WINDOW(g_object_ref(window));
        event->key.time = time;
        event->key.state = state;
        event->key.keyval = keyval;
        event->key.hardware_keycode = keycode;
        event->key.group = group;
        if (keyboard != nullptr) {
            gdk_event_set_device(event, keyboard);
            gdk_event_set_source_device(event, keyboard);
        }
        // Queued as GDK queues what the display sends, and taken through
        // the same dispatch: grabs, bindings, the focused widget.
        gdk_display_put_event(display, event);
        gdk_event_free(event);
    }
}

class CGamepads {
public:
    void Start() {
        // Opened once the first picture is up: SDL's start reads the
        // machine's devices.
        m_timer.StartOnce(kNoPadPollMs, [this] { Open(); });
    }

    void SetKeyboardButton(std::function<void()> onPress) { m_onKeyboard = std::move(onPress); }

private:
    void Open() {
        m_pSdl = CSdl::Load();
        if (m_pSdl == nullptr) {
            return;
        }
        // The program handles SIGINT and SIGTERM itself; SDL would take
        // them for its own quit event. SDL has no window of ours to tell
        // the player's focus by: the program decides where keys go.
        m_pSdl->SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        m_pSdl->SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        if (m_pSdl->Init(SDL_INIT_GAMECONTROLLER) != 0) {
            std::fprintf(stderr, "login-launcher: no gamepads: %s\n", m_pSdl->GetError());
            return;
        }
        Poll();
    }

    void Poll() {
        SDL_Event event;
        while (m_pSdl->PollEvent(&event) != 0) {
            OnEvent(event);
        }
        Deliver(m_keys.OnTime(NowMs()));
        const unsigned interval =
            m_pads.empty() || KeyTarget() == nullptr ? kNoPadPollMs : kPadPollMs;
        if (interval != m_nInterval) {
            m_nInterval = interval;
            m_timer.StartRepeating(interval, [this] {
                Poll();
                return true;
            });
        }
    }

    void OnEvent(const SDL_Event& event) {
        switch (event.type) {
            case SDL_CONTROLLERDEVICEADDED:
                if (SDL_GameController* pad = m_pSdl->GameControllerOpen(event.cdevice.which)) {
                    m_pads[m_pSdl->JoystickInstanceID(m_pSdl->GameControllerGetJoystick(pad))] =
                        pad;
                }
                break;
            case SDL_CONTROLLERDEVICEREMOVED:
                if (const auto found = m_pads.find(event.cdevice.which); found != m_pads.end()) {
                    m_pSdl->GameControllerClose(found->second);
                    m_pads.erase(found);
                }
                // Whatever the pad held down is let go of with it.
                m_keys.Reset();
                break;
            case SDL_CONTROLLERBUTTONDOWN:
            case SDL_CONTROLLERBUTTONUP:
                if (const std::optional<EPadButton> button = PadButton(event.cbutton.button)) {
                    Deliver(
                        m_keys.OnButton(*button, event.type == SDL_CONTROLLERBUTTONDOWN, NowMs()));
                }
                break;
            case SDL_CONTROLLERAXISMOTION:
                if (event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX ||
                    event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY) {
                    Deliver(m_keys.OnAxis(event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX
                                              ? EPadAxis::LeftX
                                              : EPadAxis::LeftY,
                                          event.caxis.value, NowMs()));
                }
                break;
            default:
                break;
        }
    }

    void Deliver(std::optional<EPadKey> key) {
        if (!key) {
            return;
        }
        if (*key == EPadKey::Keyboard) {
            if (m_onKeyboard) {
                m_onKeyboard();
            }
            return;
        }
        GtkWindow* target = KeyTarget();
        if (target == nullptr) {
            return;
        }
        switch (*key) {
            case EPadKey::NextItem:
                SendKey(target, GDK_KEY_Tab, GdkModifierType(0));
                break;
            case EPadKey::PreviousItem:
                SendKey(target, GDK_KEY_ISO_Left_Tab, GDK_SHIFT_MASK);
                break;
            case EPadKey::Activate:
                SendKey(target, GDK_KEY_Return, GdkModifierType(0));
                break;
            default:
                SendKey(target, GDK_KEY_Escape, GdkModifierType(0));
                break;
        }
    }

    const CSdl* m_pSdl = nullptr;
    CTimer m_timer;
    CGamepadKeys m_keys;
    std::map<SDL_JoystickID, SDL_GameController*> m_pads;
    unsigned m_nInterval = 0;
    std::function<void()> m_onKeyboard;
};

// Lives as long as the program: its timer runs on the main loop to the end.
CGamepads& Gamepads() {
    static auto* const gamepads = new CGamepads;
    return *gamepads;
}

}  // namespace

void StartGamepadKeys() {
    Gamepads().Start();
}

void SetGamepadKeyboardButton(std::function<void()> onPress) {
    Gamepads().SetKeyboardButton(std::move(onPress));
}
