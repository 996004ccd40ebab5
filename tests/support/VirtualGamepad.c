// A gamepad for the GUI tests, inside the program under test: preloaded
// (LD_PRELOAD) into the real program, it plugs SDL's own virtual pad into
// the program's SDL, which its game controller layer takes for a real one,
// and presses its buttons and pushes its stick as the test says. Never part
// of the shipped program.
//
// It listens on the Unix socket that TEST_GAMEPAD_SOCKET names, one command
// a line, each answered "ok" or "error <why>" once the program's SDL has
// seen it:
//   plug                 attach the pad; answered once the program opened it
//   unplug               detach it; answered once the program closed it
//   button <n> <0|1>     SDL_GameControllerButton n let go or pressed
//   axis <n> <value>     SDL_GameControllerAxis n set, -32768 to 32767
// Nothing is done before the program has started SDL's joysticks.
//
// SDL's joystick state is shared with the program's main loop: every call
// here holds SDL's joystick lock (SDL_LockJoysticks), which SDL's own
// joystick functions take too; the pad's values are read by the program's
// own SDL_JoystickUpdate, as a real pad's are.

#include <SDL.h>
#include <errno.h>
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

enum { kButtons = SDL_CONTROLLER_BUTTON_DPAD_RIGHT + 1, kAxes = SDL_CONTROLLER_AXIS_MAX };

static SDL_Joystick* pad;  // our own handle on the plugged pad
static SDL_JoystickID padId = -1;

static void Pause(void) {
    usleep(5000);
}

// Waits up to 5 s for `seen` to hold, asked under SDL's joystick lock.
static int WaitFor(int (*seen)(int, int), int a, int b) {
    for (int i = 0; i < 1000; ++i) {
        SDL_LockJoysticks();
        const int done = seen(a, b);
        SDL_UnlockJoysticks();
        if (done) {
            return 1;
        }
        Pause();
    }
    return 0;
}

static int ProgramHasPad(int open, int unused) {
    (void)unused;
    return (SDL_GameControllerFromInstanceID(padId) != NULL) == open;
}

static int ProgramSeesButton(int button, int value) {
    SDL_GameController* controller = SDL_GameControllerFromInstanceID(padId);
    return controller != NULL && SDL_GameControllerGetButton(controller, button) == value;
}

static int ProgramSeesAxis(int axis, int value) {
    SDL_GameController* controller = SDL_GameControllerFromInstanceID(padId);
    return controller != NULL && SDL_GameControllerGetAxis(controller, axis) == value;
}

static const char* Plug(void) {
    if (pad != NULL) {
        return "already plugged";
    }
    SDL_VirtualJoystickDesc desc;
    SDL_zero(desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = kAxes;
    desc.nbuttons = kButtons;  // in SDL_GameControllerButton's order
    desc.name = "Test Virtual Pad";
    SDL_LockJoysticks();
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    pad = index < 0 ? NULL : SDL_JoystickOpen(index);
    padId = pad != NULL ? SDL_JoystickInstanceID(pad) : -1;
    SDL_UnlockJoysticks();
    if (pad == NULL) {
        return SDL_GetError();
    }
    return WaitFor(ProgramHasPad, 1, 0) ? NULL : "the program did not open the pad";
}

static const char* Unplug(void) {
    if (pad == NULL) {
        return "not plugged";
    }
    SDL_LockJoysticks();
    int detached = -1;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_JoystickGetDeviceInstanceID(i) == padId) {
            detached = SDL_JoystickDetachVirtual(i);
        }
    }
    SDL_JoystickClose(pad);
    pad = NULL;
    SDL_UnlockJoysticks();
    if (detached != 0) {
        return "the pad was not found";
    }
    return WaitFor(ProgramHasPad, 0, 0) ? NULL : "the program did not close the pad";
}

static const char* Set(int isAxis, int which, int value) {
    if (pad == NULL) {
        return "not plugged";
    }
    SDL_LockJoysticks();
    const int result = isAxis ? SDL_JoystickSetVirtualAxis(pad, which, (Sint16)value)
                              : SDL_JoystickSetVirtualButton(pad, which, (Uint8)value);
    SDL_UnlockJoysticks();
    if (result != 0) {
        return SDL_GetError();
    }
    return WaitFor(isAxis ? ProgramSeesAxis : ProgramSeesButton, which, value)
               ? NULL
               : "the program did not see it";
}

static const char* Obey(const char* line) {
    int which = 0;
    int value = 0;
    if (strcmp(line, "plug") == 0) {
        return Plug();
    }
    if (strcmp(line, "unplug") == 0) {
        return Unplug();
    }
    if (sscanf(line, "button %d %d", &which, &value) == 2) {
        return Set(0, which, value);
    }
    if (sscanf(line, "axis %d %d", &which, &value) == 2) {
        return Set(1, which, value);
    }
    return "unknown command";
}

static void Serve(int client) {
    FILE* in = fdopen(client, "r");
    char line[128];
    while (in != NULL && fgets(line, sizeof line, in) != NULL) {
        line[strcspn(line, "\r\n")] = '\0';
        const char* error = Obey(line);
        char answer[256];
        const int length = error == NULL ? snprintf(answer, sizeof answer, "ok\n")
                                         : snprintf(answer, sizeof answer, "error %s\n", error);
        if (write(client, answer, (size_t)length) != length) {
            break;
        }
    }
    if (in != NULL) {
        fclose(in);
    }
}

static void* Run(void* data) {
    const int listener = (int)(intptr_t)data;
    while (!SDL_WasInit(SDL_INIT_JOYSTICK)) {
        usleep(20000);
    }
    for (;;) {
        const int client = accept(listener, NULL, NULL);
        if (client >= 0) {
            Serve(client);
        } else if (errno != EINTR) {
            return NULL;
        }
    }
}

__attribute__((constructor)) static void StartVirtualGamepad(void) {
    const char* path = getenv("TEST_GAMEPAD_SOCKET");
    // Only the program itself gets the pad: the web engine's processes it
    // starts inherit its environment.
    unsetenv("LD_PRELOAD");
    if (path == NULL) {
        return;
    }
    struct sockaddr_un address = {.sun_family = AF_UNIX};
    snprintf(address.sun_path, sizeof address.sun_path, "%s", path);
    unsetenv("TEST_GAMEPAD_SOCKET");
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    unlink(address.sun_path);
    if (listener < 0 || bind(listener, (struct sockaddr*)&address, sizeof address) != 0 ||
        listen(listener, 1) != 0) {
        fprintf(stderr, "virtual gamepad: cannot listen on %s\n", path);
        return;
    }
    pthread_t thread;
    pthread_create(&thread, NULL, Run, (void*)(intptr_t)listener);
    pthread_detach(thread);
}
