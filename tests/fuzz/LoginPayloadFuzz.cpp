// The text a login page passes to window.external.AppLogin, on its way to the
// launch argument string: the bridge hands it over as UTF-8 cut at its first
// zero, the hand-off narrows it for the JSON reader, widens the five members
// and joins them. The input is that UTF-8 text.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "handoff/LaunchArgs.h"
#include "handoff/LoginPayload.h"
#include "platform/TextCodec.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

void CheckResult(const PayloadResult& payload) {
    FUZZ_EXPECT(payload.fields.has_value() == payload.problem.empty(),
                "a payload gives either its fields or the reason it has none");
    if (!payload.fields) {
        return;
    }
    const LoginFields& f = *payload.fields;
    for (const std::string* value : {&f.uid, &f.token, &f.serverId, &f.other, &f.sign}) {
        FUZZ_EXPECT(value->find('\0') == std::string::npos, "a member ends at its first zero");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // The reader takes any bytes, not only those a page can produce.
    CheckResult(ParseLoginPayload(std::string(bytes)));

    std::u16string json = WideFromUtf8(bytes);
    json.resize(std::min(json.size(), json.find(u'\0')));
    const PayloadResult payload = ParseLoginPayload(Narrow(json));
    CheckResult(payload);
    if (!payload.fields) {
        return 0;
    }
    const LoginFields& f = *payload.fields;
    const std::u16string tail =
        BuildCredentialTail(Widen(f.token), Widen(f.serverId), Widen(f.other), Widen(f.sign));
    HandOverLaunchArgs(BuildLaunchArgs(Widen(f.uid), tail));
    return 0;
}
