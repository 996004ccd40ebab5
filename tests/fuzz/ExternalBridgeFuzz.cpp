// window.external as a page reaches it. An input that starts with "!" drives
// the bridge object directly with the rest: any names to look up, any member
// id, flags and arguments to invoke. Any other
// input is an address a page's script loads on the bridge's wire.

#include <fuzzer/FuzzedDataProvider.h>
#include <json/json.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Automation.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/RecordingOwner.h"
#include "web/ExternalBridge.h"
#include "web/ImpIDispatch.h"

namespace {

// Stands for a login window; the recording owner only compares the pointer.
CRecordingOwner g_owner;
IAppLoginHandler* const kOwner = &g_owner;

// The run's key the seeds carry ("key=fuzz"); inputs without it test the
// refusal of everything that is not the bridge's own script.
constexpr char kKey[] = "fuzz";

// The one call of the wire, as the browser host makes it.
std::optional<std::string> Ask(CImpIDispatch& bridge, std::string_view uri) {
    return AnswerExternalRequest(bridge, uri, kKey);
}

void FuzzWire(std::string_view uri) {
    CImpIDispatch bridge;
    bridge.m_pOwner = kOwner;
    OwnerLog().Reset();
    std::optional<std::string> answer;
    try {
        answer = Ask(bridge, uri);
    } catch (const std::exception&) {
        // The browser host reports these and refuses the request.
        FUZZ_EXPECT(OwnerLog().calls.empty(), "a refused request reaches no login window");
        return;
    }
    if (answer) {
        Json::Value parsed;
        Json::CharReaderBuilder builder;
        std::string errors;
        const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        FUZZ_EXPECT(
            reader->parse(answer->data(), answer->data() + answer->size(), &parsed, &errors),
            "every answer is JSON");
        FUZZ_EXPECT(parsed.isObject(), "every answer is an object");
        const std::string kind = parsed.get("kind", "").asString();
        FUZZ_EXPECT(kind == "unknown" || kind == "value" || kind == "member" || kind == "done",
                    "every answer has one of the four kinds");
    }
    FUZZ_EXPECT(OwnerLog().calls.size() <= 1, "one request makes at most one login");
    if (!OwnerLog().calls.empty()) {
        FUZZ_EXPECT(answer == std::optional<std::string>(R"({"kind":"done"})"),
                    "a login reaches the window only through a call the bridge answered");
        FUZZ_EXPECT(OwnerLog().calls[0].json.find(u'\0') == std::u16string::npos,
                    "the login text ends at its first zero");
    }
}

// Any UTF-16 text, lone surrogates included, as a page's script may hold.
std::u16string ConsumeWide(FuzzedDataProvider& in) {
    const std::string bytes = in.ConsumeRandomLengthString(64);
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(char16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8));
    }
    return text;
}

CVariant ConsumeVariant(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 2)) {
        case 0:
            return CVariant();
        case 1:
            return CVariant(ConsumeWide(in));
        default:
            return CVariant::MakeOther();
    }
}

void FuzzObject(FuzzedDataProvider& in) {
    CImpIDispatch bridge;
    IAppLoginHandler* const owner = in.ConsumeBool() ? kOwner : nullptr;
    bridge.m_pOwner = owner;

    std::vector<std::u16string> names(in.ConsumeIntegralInRange(0, 4));
    for (std::u16string& name : names) {
        name = ConsumeWide(in);
    }
    std::vector<DISPID> ids(in.ConsumeIntegralInRange(0, 6), 7);
    const HRESULT found = bridge.GetIDsOfNames(names, ids);
    FUZZ_EXPECT(ids.size() == names.size(), "one id for each name");
    for (const DISPID id : ids) {
        FUZZ_EXPECT(id == DISPID_UNKNOWN || id == CImpIDispatch::kDispIdXxyyzz ||
                        id == CImpIDispatch::kDispIdAppLogin,
                    "names map to the two members or to none");
    }
    FUZZ_EXPECT((found == S_OK) == (std::count(ids.begin(), ids.end(), DISPID_UNKNOWN) == 0),
                "the look-up succeeds exactly when every name is known");
    FUZZ_EXPECT(found == S_OK || found == DISP_E_UNKNOWNNAME, "the look-up has two outcomes");

    const DISPID member = !ids.empty() && in.ConsumeBool()
                              ? ids[in.ConsumeIntegralInRange<size_t>(0, ids.size() - 1)]
                              : in.ConsumeIntegral<DISPID>();
    const auto flags = in.ConsumeIntegral<uint16_t>();
    const bool wantsResult = in.ConsumeBool();
    std::vector<CVariant> args(in.ConsumeIntegralInRange(0, 4));
    for (CVariant& arg : args) {
        arg = ConsumeVariant(in);
    }
    OwnerLog().Reset();
    CVariant result;
    FUZZ_EXPECT(bridge.Invoke(member, flags, args, wantsResult ? &result : nullptr) == S_OK,
                "every invocation answers S_OK");
    const bool reads = member == CImpIDispatch::kDispIdXxyyzz && (flags & DISPATCH_PROPERTYGET);
    FUZZ_EXPECT(result == (reads && wantsResult ? CVariant(u"Wibble") : CVariant()),
                "only reading xxyyzz gives a result");
    const bool logsIn = member == CImpIDispatch::kDispIdAppLogin && (flags & DISPATCH_METHOD) &&
                        owner != nullptr && !args.empty() && args.back().IsString();
    if (logsIn) {
        const std::u16string& text = args.back().GetString();
        const OwnerCall expected{owner, text.substr(0, text.find(u'\0'))};
        FUZZ_EXPECT(OwnerLog().calls == std::vector<OwnerCall>{expected},
                    "AppLogin passes its last argument, up to a zero, to the owner once");
    } else {
        FUZZ_EXPECT(OwnerLog().calls.empty(), "nothing else reaches the owner");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (bytes.starts_with('!')) {
        FuzzedDataProvider in(data + 1, size - 1);
        FuzzObject(in);
    } else {
        FuzzWire(bytes);
    }
    return 0;
}
