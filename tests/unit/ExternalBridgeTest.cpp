// The wire between the page script that stands for window.external and the
// script bridge: what each request gets back, and what reaches the login
// window.

#include <gtest/gtest.h>

#include <string>

#include "tests/support/RecordingOwner.h"
#include "web/ExternalBridge.h"
#include "web/ImpIDispatch.h"

namespace {

int g_windowStandIn;
CLoginActiveDlg* const kOwner = reinterpret_cast<CLoginActiveDlg*>(&g_windowStandIn);
constexpr char kBase[] = "tharnvale-external://bridge/";

class ExternalBridgeTest : public testing::Test {
protected:
    void SetUp() override {
        OwnerLog().Reset();
        m_bridge.m_pOwner = kOwner;
    }

    std::optional<std::string> Ask(const std::string& rest) {
        return AnswerExternalRequest(m_bridge, kBase + rest);
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
    {"get?name=%EF%BC%A1%EF%BD%90%EF%BD%90Login", R"({"id":10001,"kind":"member"})"},  // ＡｐｐLogin
    {"get?name=app", R"({"kind":"unknown"})"},
    {"get?name=then", R"({"kind":"unknown"})"},
    {"get?name=", R"({"kind":"unknown"})"},
    {"call?id=10001&args=%5B%5D", R"({"kind":"done"})"},
    {"get", nullptr},
    {"call?id=10001", nullptr},
    {"call?id=abc&args=%5B%5D", nullptr},
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
    EXPECT_FALSE(AnswerExternalRequest(m_bridge, "tharnvale-external://other/get?name=xxyyzz"));
    EXPECT_FALSE(AnswerExternalRequest(m_bridge, "not an address"));
}

TEST_F(ExternalBridgeTest, AppLoginTextReachesTheLoginWindowExactly) {
    // JSON.stringify(["{\"uid\":\"中\"}"]) as the page script sends it.
    ASSERT_TRUE(Ask("call?id=10001&args=" +
                    std::string("%5B%7B%22type%22%3A%22string%22%2C%22value%22%3A%22%7B%5C%22uid%5C%22%3A%5C%22"
                                "%E4%B8%AD%5C%22%7D%22%7D%5D")));
    ASSERT_EQ(OwnerLog().calls.size(), 1u);
    EXPECT_EQ(OwnerLog().calls[0].pOwner, kOwner);
    EXPECT_EQ(OwnerLog().calls[0].json, u"{\"uid\":\"中\"}");
}

TEST_F(ExternalBridgeTest, EscapedZeroCutsTheText) {
    // JSON.stringify turns a zero character into the six characters \u0000.
    ASSERT_TRUE(Ask("call?id=10001&args=%5B%7B%22type%22%3A%22string%22%2C%22value%22%3A%22ab%5Cu0000cd%22%7D%5D"));
    ASSERT_EQ(OwnerLog().calls.size(), 1u);
    EXPECT_EQ(OwnerLog().calls[0].json, u"ab");
}

TEST_F(ExternalBridgeTest, NonStringArgumentsAreRefusedByTheBridge) {
    ASSERT_TRUE(Ask("call?id=10001&args=%5B%7B%22type%22%3A%22number%22%7D%5D"));
    ASSERT_TRUE(Ask("call?id=10001&args=%5B%5D"));
    EXPECT_TRUE(OwnerLog().calls.empty());
}

TEST_F(ExternalBridgeTest, FirstQuestionOfADocumentCountsAReference) {
    ASSERT_TRUE(Ask("get?name=xxyyzz&first=1"));
    ASSERT_TRUE(Ask("get?name=xxyyzz"));
    ASSERT_TRUE(Ask("get?name=AppLogin&first=1"));
    EXPECT_EQ(m_bridge.AddRef(), 3u);
}
