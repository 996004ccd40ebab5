// window.external: member names, invocations and the object rules, with a
// recording owner in place of the login window.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/Automation.h"
#include "tests/support/CaseName.h"
#include "tests/support/RecordingOwner.h"
#include "web/ImpIDispatch.h"

void PrintTo(const CVariant& v, std::ostream* os) {
    switch (v.GetKind()) {
        case CVariant::Kind::Empty:
            *os << "(empty)";
            break;
        case CVariant::Kind::String:
            *os << testing::PrintToString(v.GetString());
            break;
        case CVariant::Kind::Other:
            *os << "(other)";
            break;
    }
}

namespace {

constexpr DISPID kXxyyzz = 12345;
constexpr DISPID kAppLogin = 10001;

// Stands for a login window; the recording owner only compares the pointer.
CRecordingOwner g_owner;
IAppLoginHandler* const kOwnerWindow = &g_owner;

struct NameCase {
    const char* name;
    std::u16string member;
    DISPID id;
};

void PrintTo(const NameCase& c, std::ostream* os) {
    *os << c.name;
}

const NameCase kNames[] = {
    {"property name", u"xxyyzz", kXxyyzz},
    {"property prefix alone", u"xxy", kXxyyzz},
    {"anything after xxy", u"xxy.toString", kXxyyzz},
    {"property prefix in full width", u"\uFF58\uFF58\uFF59\uFF59\uFF5A\uFF5A", kXxyyzz},
    {"property prefix in another case", u"xxYyzz", DISPID_UNKNOWN},
    {"property name not at the start", u"_xxyyzz", DISPID_UNKNOWN},
    {"method name", u"AppLogin", kAppLogin},
    {"another word with the method prefix", u"Apple", kAppLogin},
    {"method prefix alone", u"App", kAppLogin},
    {"method prefix in full width", u"\uFF21\uFF50\uFF50Login", kAppLogin},
    {"one full width letter", u"A\uFF50p", kAppLogin},
    {"method prefix in full width capitals", u"\uFF21\uFF30\uFF30", DISPID_UNKNOWN},
    {"method prefix in lower case", u"app", DISPID_UNKNOWN},
    {"method name in capitals", u"APPLOGIN", DISPID_UNKNOWN},
    {"two characters of the method prefix", u"Ap", DISPID_UNKNOWN},
    {"two characters of the property prefix", u"xx", DISPID_UNKNOWN},
    {"empty name", u"", DISPID_UNKNOWN},
    {"unrelated name", u"toJSON", DISPID_UNKNOWN},
    {"full width space is no letter", u"\u3000pp", DISPID_UNKNOWN},
};

class MemberName : public testing::TestWithParam<NameCase> {};

CVariant Arg(const CVariant& value) {
    return value;
}
CVariant Arg(std::u16string text) {
    return CVariant(std::move(text));
}

// Arguments in call order; texts become string values.
template <typename... T>
std::vector<CVariant> Args(const T&... values) {
    return {Arg(values)...};
}

const CVariant kOther = CVariant::MakeOther();
const CVariant kEmptyValue;
const std::u16string kJson = u"{\"uid\":\"u1\"}";

// What the call has to work with.
enum Setup : unsigned {
    kBare = 0,
    kResultPlace = 1,  // a result place is given
    kOwner = 2,        // the bridge has an owner
    kFull = kResultPlace | kOwner,
};

// What the call is expected to do.
enum class Effect {
    None,     // the result place keeps its value and the owner hears nothing
    Wibble,   // the result place holds the string "Wibble"
    Passed,   // the owner got `passed`, once
    Refused,  // as None, and a diagnostic line says why
};

struct InvokeCase {
    const char* name;
    DISPID id;
    uint16_t flags;
    std::vector<CVariant> args;
    unsigned setup;
    Effect effect;
    std::u16string passed;
};

void PrintTo(const InvokeCase& c, std::ostream* os) {
    *os << c.name;
}

constexpr uint16_t kGet = DISPATCH_PROPERTYGET;
constexpr uint16_t kCall = DISPATCH_METHOD;
constexpr uint16_t kGetOrCall = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

const InvokeCase kInvocations[] = {
    {"property read", kXxyyzz, kGet, Args(), kFull, Effect::Wibble, u""},
    {"property read with both flags", kXxyyzz, kGetOrCall, Args(), kFull, Effect::Wibble, u""},
    {"property read without an owner", kXxyyzz, kGet, Args(), kResultPlace, Effect::Wibble, u""},
    {"property called as a method", kXxyyzz, kCall, Args(), kFull, Effect::None, u""},
    {"property without flags", kXxyyzz, 0, Args(), kFull, Effect::None, u""},
    {"property read without a result place", kXxyyzz, kGet, Args(), kOwner, Effect::None, u""},
    {"property called with a login text", kXxyyzz, kCall, Args(kJson), kFull, Effect::None, u""},
    {"login call", kAppLogin, kCall, Args(kJson), kFull, Effect::Passed, kJson},
    {"login call without a result place", kAppLogin, kCall, Args(kJson), kOwner, Effect::Passed,
     kJson},
    {"login call with both flags", kAppLogin, kGetOrCall, Args(kJson), kFull, Effect::Passed,
     kJson},
    {"login read as a property", kAppLogin, kGet, Args(kJson), kFull, Effect::None, u""},
    {"login without flags", kAppLogin, 0, Args(kJson), kFull, Effect::None, u""},
    {"login before the owner is set", kAppLogin, kCall, Args(kJson), kResultPlace, Effect::None,
     u""},
    {"unknown id", 1, kGetOrCall, Args(kJson), kFull, Effect::None, u""},
    {"id of an unknown name", DISPID_UNKNOWN, kGetOrCall, Args(kJson), kFull, Effect::None, u""},
    {"zero inside the text", kAppLogin, kCall, Args(std::u16string(u"{\"a\":1}\0tail", 12)), kFull,
     Effect::Passed, u"{\"a\":1}"},
    {"zero first", kAppLogin, kCall, Args(std::u16string(u"\0x", 2)), kFull, Effect::Passed, u""},
    {"empty text", kAppLogin, kCall, Args(u""), kFull, Effect::Passed, u""},
    {"several texts take the last", kAppLogin, kCall, Args(u"first", u"second", u"last"), kFull,
     Effect::Passed, u"last"},
    {"other value before the last text", kAppLogin, kCall, Args(kOther, u"last"), kFull,
     Effect::Passed, u"last"},
    {"text before a last other value", kAppLogin, kCall, Args(u"first", kOther), kFull,
     Effect::Refused, u""},
    {"no argument", kAppLogin, kCall, Args(), kFull, Effect::Refused, u""},
    {"other value", kAppLogin, kCall, Args(kOther), kFull, Effect::Refused, u""},
    {"empty value", kAppLogin, kCall, Args(kEmptyValue), kFull, Effect::Refused, u""},
    {"other value without an owner", kAppLogin, kCall, Args(kOther), kBare, Effect::Refused, u""},
};

class Invocation : public testing::TestWithParam<InvokeCase> {
protected:
    void SetUp() override { OwnerLog().Reset(); }
};

}  // namespace

TEST_P(MemberName, MapsOnItsFirstThreeCharacters) {
    const NameCase& c = GetParam();
    CImpIDispatch bridge;
    std::vector<DISPID> ids;
    const HRESULT hr = bridge.GetIDsOfNames({c.member}, ids);
    EXPECT_EQ(ids, std::vector<DISPID>{c.id});
    EXPECT_EQ(hr, c.id == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK);
}
INSTANTIATE_TEST_SUITE_P(Cases, MemberName, testing::ValuesIn(kNames), CaseName<NameCase>);

TEST(ScriptBridge, UnknownNameAmongSeveralIsMarkedAndTheRestStillMapped) {
    CImpIDispatch bridge;
    std::vector<DISPID> ids;
    EXPECT_EQ(bridge.GetIDsOfNames({u"AppLogin", u"text"}, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids, (std::vector<DISPID>{kAppLogin, DISPID_UNKNOWN}));

    EXPECT_EQ(bridge.GetIDsOfNames({u"xxyyzz", u"ap"}, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids, (std::vector<DISPID>{kXxyyzz, DISPID_UNKNOWN}));

    EXPECT_EQ(bridge.GetIDsOfNames({u"length", u"xxyyzz", u"AppLogin"}, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids, (std::vector<DISPID>{DISPID_UNKNOWN, kXxyyzz, kAppLogin}));
}

TEST(ScriptBridge, IdsAreReplacedWholeForEachLookUp) {
    CImpIDispatch bridge;
    std::vector<DISPID> ids = {7, 7, 7};
    EXPECT_EQ(bridge.GetIDsOfNames({u"AppLogin", u"xxyyzz"}, ids), S_OK);
    EXPECT_EQ(ids, (std::vector<DISPID>{kAppLogin, kXxyyzz}));
    EXPECT_EQ(bridge.GetIDsOfNames({}, ids), S_OK);
    EXPECT_TRUE(ids.empty());
}

TEST_P(Invocation, CarriesOutKnownMembersOnlyAndAlwaysSucceeds) {
    const InvokeCase& c = GetParam();
    CImpIDispatch bridge;
    if ((c.setup & kOwner) != 0) {
        bridge.m_pOwner = kOwnerWindow;
    }
    const CVariant untouched(u"untouched");
    CVariant result = untouched;

    testing::internal::CaptureStderr();
    const HRESULT hr =
        bridge.Invoke(c.id, c.flags, c.args, (c.setup & kResultPlace) != 0 ? &result : nullptr);
    const std::string diagnostics = testing::internal::GetCapturedStderr();

    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(result, c.effect == Effect::Wibble ? CVariant(u"Wibble") : untouched);
    std::vector<OwnerCall> expected;
    if (c.effect == Effect::Passed) {
        expected.push_back({kOwnerWindow, c.passed});
    }
    EXPECT_EQ(OwnerLog().calls, expected);
    EXPECT_EQ(!diagnostics.empty(), c.effect == Effect::Refused) << diagnostics;
}
INSTANTIATE_TEST_SUITE_P(Cases, Invocation, testing::ValuesIn(kInvocations), CaseName<InvokeCase>);

TEST(ScriptBridge, EachLoginCallReachesTheOwnerAgain) {
    OwnerLog().Reset();
    CImpIDispatch bridge;
    bridge.m_pOwner = kOwnerWindow;
    bridge.Invoke(kAppLogin, DISPATCH_METHOD, Args(u"one"), nullptr);
    bridge.Invoke(kAppLogin, DISPATCH_METHOD, Args(u"two"), nullptr);
    EXPECT_EQ(OwnerLog().calls,
              (std::vector<OwnerCall>{{kOwnerWindow, u"one"}, {kOwnerWindow, u"two"}}));
}

TEST(ScriptBridge, FailureInsideTheHandoffStopsAtTheBridge) {
    OwnerLog().Reset();
    CImpIDispatch bridge;
    bridge.m_pOwner = kOwnerWindow;
    for (const auto& fail : {std::function<void()>([] { throw std::runtime_error("disk full"); }),
                             std::function<void()>([] { throw 42; })}) {
        OwnerLog().during = fail;
        testing::internal::CaptureStderr();
        HRESULT hr = E_NOTIMPL;
        EXPECT_NO_THROW(hr = bridge.Invoke(kAppLogin, DISPATCH_METHOD, Args(kJson), nullptr));
        const std::string diagnostics = testing::internal::GetCapturedStderr();
        EXPECT_EQ(hr, S_OK);
        EXPECT_NE(diagnostics, "");
    }
    EXPECT_EQ(OwnerLog().calls.size(), 2u);
}

TEST(ScriptBridge, StartsWithoutOwner) {
    CImpIDispatch bridge;
    EXPECT_EQ(bridge.m_pOwner, nullptr);
}
