// Prints the directory the running program finds itself in, so that tests
// can run it from places the test executable cannot be moved to.

#include <cstdio>

#include "platform/ModulePath.h"

int main() {
    std::fputs(GetModuleDirNative().c_str(), stdout);
    return 0;
}
