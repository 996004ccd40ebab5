// Program entry: the locale, the desktop, and the application object.

#include <clocale>

#include "app/LoginApp.h"
#include "platform/Desktop.h"
#include "platform/LauncherConfig.h"

int main() {
    // Narrow text is in the charset the environment's locale names.
    std::setlocale(LC_ALL, "");
    if (!OpenDesktop(kApplicationId, "login-launcher")) {
        return 1;
    }
    return theApp.InitInstance();
}
