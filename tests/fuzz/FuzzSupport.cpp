#include "tests/fuzz/FuzzSupport.h"

#include <langinfo.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "platform/ProcessStart.h"
#include "platform/TextCodec.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // As the program does: narrow text follows the environment's locale. A
    // locale that is not installed would quietly fuzz the C locale instead.
    if (std::setlocale(LC_ALL, "") == nullptr) {
        std::fprintf(stderr, "fuzz: the locale the environment names is not installed\n");
        std::exit(2);
    }
    std::fprintf(stderr, "fuzz: narrow text in %s\n", FuzzCharset().c_str());
    return 0;
}

void FuzzPropertyBroken(const char* what, const char* condition, const char* file, int line) {
    std::fprintf(stderr, "fuzz: %s\n  (%s is false at %s:%d, charset %s)\n", what, condition, file,
                 line, FuzzCharset().c_str());
    std::abort();
}

const std::string& FuzzCharset() {
    static const std::string charset = nl_langinfo(CODESET);
    return charset;
}

std::vector<std::string> HandOverLaunchArgs(const std::u16string& launchArgs) {
    // What the program stores of them.
    const std::string stored = Narrow(launchArgs);
    const std::string commandLine = Narrow(Widen(stored));
    FUZZ_EXPECT(commandLine == stored,
                "the launch arguments reach the command line as the hand-off stored them");
    return SplitArguments(commandLine);
}
