// The wire between the page script that stands for window.external and the
// script bridge: what each request gets back, and what reaches the login
// window.

#include <gtest/gtest.h>

#include <string>

#include "tests/support/RecordingOwner.h"
#include "web/ExternalBridge.h"
#include "web/ImpIDispatch.h"

namespace {

CRecordingOwner g_owner;
IAppLoginHandler* const kOwner = &g_owner;
constexpr char kBase[] = "tharnvale-external://bridge/";
constexpr char kKey[] = "00112233445566778899aabbccddeeff";

class ExternalBridgeTest : public testing::Test {
protected:
    void SetUp() override {
        OwnerLog().Reset();
        m_bridge.m_pOwner = kOwner;
    }

    // Sends `rest` as the bridge script does, with this run's key first.
    std::optional<std::string> Ask(const std::string& rest) {
        const size_t query = rest.find('?');
        const std::string keyed =
            query == std::string::npos
                ? rest + "?key=" + kKey
                : rest.substr(0, query + 1) + "key=" + kKey + "&" + rest.substr(query + 1);
        return AnswerExternalRequest(m_bridge, kBase + keyed, kKey);
    }

    CImpIDispatch m_bridge;
};

struct WireCase {
    const char* request;
    const char* answer;  // null: refused
};

const WireCase kCases[] = {
    {"get?name=xxyyzz", R"({"kind":"value","value":"Wibble"})"},
    {"get?name=xxyAnything", R"({"kind":"value","value":"Wibble"})"},
    {"get?name=AppLogin", R"({"id":10001,"kind":"member"})"},
    {"get?name=Apple", R"({"id":10001,"kind":"member"})"},
    {"get?name=%EF%BC%A1%EF%BD%90%EF%BD%90Login",
     R"({"id":10001,"kind":"member"})"},  // ＡｐｐLogin
    {"get?name=app", R"({"kind":"unknown"})"},
    {"get?name=then", R"({"kind":"unknown"})"},
    {"get?name=", R"({"kind":"unknown"})"},
    {"call?id=10001&args=%5B%5D", R"({"kind":"done"})"},
    {"get", nullptr},
    {"call?id=10001", nullptr},
    {"call?id=abc&args=%5B%5D", nullptr},
    {"call?id=&args=%5B%5D", nullptr},
    {"call?id=10001&args=%7Bnot-json", nullptr},
    {"call?id=10001&args=%7B%7D", nullptr},
    {"delete?name=xxyyzz", nullptr},
};

}  // namespace

TEST_F(ExternalBridgeTest, AnswersEveryRequestByTheBridgesRules) {
    for (const WireCase& c : kCases) {
        const std::optional<std::string> answer = Ask(c.request);
        if (c.answer == nullptr) {
            EXPECT_FALSE(answer.has_value()) << c.request;
        } else {
            ASSERT_TRUE(answer.has_value()) << c.request;
            EXPECT_EQ(*answer, c.answer) << c.request;
        }
    }
    EXPECT_TRUE(OwnerLog().calls.empty());
}

TEST_F(ExternalBridgeTest, RefusesAddressesOfAnotherHost) {
    EXPECT_FALSE(AnswerExternalRequest(
        m_bridge, std::string("tharnvale-external://other/get?key=") + kKey + "&name=xxyyzz",
        kKey));
    EXPECT_FALSE(AnswerExternalRequest(m_bridge, "not an address", kKey));
}

TEST_F(ExternalBridgeTest, RequestsWithoutThisRunsKeyAreRefusedAndCallNothing) {
    // What an image, a style sheet or a frame without scripts can load.
    const std::string call =
        "call?id=10001&args=%5B%7B%22type%22%3A%22string%22%2C%22value%22%3A%22x%22%7D%5D";
    const std::string wrong = std::string(kKey).replace(0, 1, "f");
    for (const std::string& uri : {std::string(kBase) + call, std::string(kBase) + call + "&key=",
                                   std::string(kBase) + call + "&key=" + wrong,
                                   std::string(kBase) + call + "&key=" + kKey + "0",
                                   std::string(kBase) + "get?name=AppLogin&first=1"}) {
        EXPECT_FALSE(AnswerExternalRequest(m_bridge, uri, kKey)) << uri;
    }
    // A bridge without a key answers nothing at all.
    EXPECT_FALSE(AnswerExternalRequest(m_bridge, std::string(kBase) + call + "&key=", ""));
    EXPECT_TRUE(OwnerLog().calls.empty());
}

TEST_F(ExternalBridgeTest, ArgumentsNestedTooDeeplyAreRefusedWithoutThrowing) {
    std::string deep;
    for (int i = 0; i < 5000; ++i) {
        deep += "%5B";
    }
    EXPECT_FALSE(Ask("call?id=10001&args=" + deep));
    EXPECT_TRUE(OwnerLog().calls.empty());
}

TEST(BridgeKey, IsNewEachTimeAnd128BitsOfHex) {
    const std::string a = MakeBridgeKey();
    EXPECT_EQ(a.size(), 32u);
    EXPECT_EQ(a.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_NE(a, MakeBridgeKey());
}

TEST_F(ExternalBridgeTest, AppLoginTextReachesTheLoginWindowExactly) {
    // JSON.stringify(["{\"uid\":\"中\"}"]) as the page script sends it.
    ASSERT_TRUE(Ask(
        "call?id=10001&args=" +
        std::string("%5B%7B%22type%22%3A%22string%22%2C%22value%22%3A%22%7B%5C%22uid%5C%22%3A%5C%22"
                    "%E4%B8%AD%5C%22%7D%22%7D%5D")));
    ASSERT_EQ(OwnerLog().calls.size(), 1u);
    EXPECT_EQ(OwnerLog().calls[0].pOwner, kOwner);
    EXPECT_EQ(OwnerLog().calls[0].json, u"{\"uid\":\"中\"}");
}

TEST_F(ExternalBridgeTest, EscapedZeroCutsTheText) {
    // JSON.stringify turns a zero character into the six characters \u0000.
    ASSERT_TRUE(
        Ask("call?id=10001&args=%5B%7B%22type%22%3A%22string%22%2C%22value%22%3A%22ab%5Cu0000cd%22%"
            "7D%5D"));
    ASSERT_EQ(OwnerLog().calls.size(), 1u);
    EXPECT_EQ(OwnerLog().calls[0].json, u"ab");
}

TEST_F(ExternalBridgeTest, NonStringArgumentsAreRefusedByTheBridge) {
    ASSERT_TRUE(Ask("call?id=10001&args=%5B%7B%22type%22%3A%22number%22%7D%5D"));
    ASSERT_TRUE(Ask("call?id=10001&args=%5B%5D"));
    EXPECT_TRUE(OwnerLog().calls.empty());
}
