// Program entry: the end signals, the locale, the desktop, and the
// application object.

#include <clocale>

#include "app/LoginApp.h"
#include "platform/Desktop.h"
#include "platform/LauncherConfig.h"
#include "platform/MessageLoop.h"

int main() {
    // First thing: a signal while the desktop and the web engine start up
    // then ends the program by its quit path too, and the threads they start
    // take the signal mask this leaves.
    EndOnSignals();
    // Narrow text is in the charset the environment's locale names.
    std::setlocale(LC_ALL, "");
    if (!OpenDesktop(kApplicationId, "login-launcher")) {
        return 1;
    }
    return theApp.InitInstance();
}
