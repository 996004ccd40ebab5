// Feeds arbitrary bytes to everything in the hand-off that reads text a web
// page controls: the payload parser, the conversions and the command line
// splitter. Built with -DLAUNCHER_FUZZ=ON by clang; see tools/fuzz.sh.

#include <clocale>
#include <cstddef>
#include <cstdint>
#include <string>

#include "handoff/LaunchArgs.h"
#include "handoff/LoginPayload.h"
#include "platform/ProcessStart.h"
#include "platform/TextCodec.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::setlocale(LC_ALL, "");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::u16string wide = Widen(bytes);
    const PayloadResult payload = ParseLoginPayload(Narrow(wide));
    if (payload.fields) {
        const LoginFields& f = *payload.fields;
        const std::u16string args = BuildLaunchArgs(
            Widen(f.uid), BuildCredentialTail(Widen(f.token), Widen(f.serverId), Widen(f.other),
                                              Widen(f.sign)));
        SplitArguments(Narrow(args));
    }
    SplitCommandLine(bytes);
    // Every byte string widens to text that narrows without failure.
    Narrow(std::u16string(reinterpret_cast<const char16_t*>(data), size / 2));
    return 0;
}
