// The login window's link click subscriptions: what it asks a page for, what
// it keeps of the page's answers, and what the hand-off cancels.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/CaseName.h"
#include "web/LinkRegistry.h"

namespace {

// One page load: the page's link targets, and which of the asked-for
// subscriptions it makes (by position among the asked ones; all when empty).
struct Load {
    std::vector<std::u16string> targets;
    std::vector<size_t> refused = {};
};

struct RegistryCase {
    const char* name;
    std::vector<Load> loads;
    // Targets asked for on each load, in order.
    std::vector<std::vector<std::u16string>> asked;
    // Targets held after the last load.
    std::vector<std::u16string> held;
};

const RegistryCase kCases[] = {
    {"new links are each asked for once",
     {{{u"/a", u"/b", u"/c"}}},
     {{u"/a", u"/b", u"/c"}},
     {u"/a", u"/b", u"/c"}},
    {"repeated address on one page is asked for at its first link",
     {{{u"/a", u"/b", u"/a", u"/a"}}},
     {{u"/a", u"/b"}},
     {u"/a", u"/b"}},
    {"reloaded page asks only for what is new",
     {{{u"/a", u"/b"}}, {{u"/b", u"/c", u"/a"}}},
     {{u"/a", u"/b"}, {u"/c"}},
     {u"/a", u"/b", u"/c"}},
    {"refused subscription is asked for again with the next page",
     {{{u"/a", u"/b"}, {1}}, {{u"/a", u"/b"}}},
     {{u"/a", u"/b"}, {u"/b"}},
     {u"/a", u"/b"}},
    {"page without links asks for nothing", {{{}}}, {{}}, {}},
    {"empty address counts as one target", {{{u"", u"", u"#"}}}, {{u"", u"#"}}, {u"", u"#"}},
};

class LinkRegistryTable : public testing::TestWithParam<RegistryCase> {};

TEST_P(LinkRegistryTable, AsksForAndHoldsOneSubscriptionPerTarget) {
    const RegistryCase& c = GetParam();
    CLinkRegistry registry;
    std::vector<std::vector<std::u16string>> asked;
    for (const Load& load : c.loads) {
        const LinkRequest request = registry.ChooseNew(load.targets);
        std::vector<std::u16string> hrefs;
        std::vector<uint32_t> made;
        for (size_t i = 0; i < request.links.size(); ++i) {
            const LinkSubscription& link = request.links[i];
            hrefs.push_back(link.href);
            EXPECT_EQ(load.targets.at(link.position), link.href) << "asked at another link";
            if (std::find(load.refused.begin(), load.refused.end(), i) == load.refused.end()) {
                made.push_back(link.cookie);
            }
        }
        asked.push_back(hrefs);
        EXPECT_TRUE(registry.Record(request, made).empty()) << "nothing to cancel";
    }
    EXPECT_EQ(asked, c.asked);
    EXPECT_EQ(registry.Size(), c.held.size());
    for (const std::u16string& href : c.held) {
        EXPECT_NE(registry.CookieOf(href), 0u);
    }
}
INSTANTIATE_TEST_SUITE_P(Cases, LinkRegistryTable, testing::ValuesIn(kCases),
                         CaseName<RegistryCase>);

TEST(LinkRegistry, EverySubscriptionGetsACookieOfItsOwn) {
    CLinkRegistry registry;
    std::vector<uint32_t> cookies;
    for (const auto& targets :
         {std::vector<std::u16string>{u"/a", u"/b"}, std::vector<std::u16string>{u"/c"}}) {
        const LinkRequest request = registry.ChooseNew(targets);
        for (const LinkSubscription& link : request.links) {
            cookies.push_back(link.cookie);
        }
    }
    // Asked again after a refusal: a new cookie, never one in use.
    const LinkRequest again = registry.ChooseNew({u"/a"});
    cookies.push_back(again.links.at(0).cookie);
    std::sort(cookies.begin(), cookies.end());
    EXPECT_EQ(std::adjacent_find(cookies.begin(), cookies.end()), cookies.end());
    EXPECT_EQ(std::count(cookies.begin(), cookies.end(), 0u), 0);
}

TEST(LinkRegistry, ClearingAtTheHandOffCancelsEverySubscriptionHeld) {
    CLinkRegistry registry;
    const LinkRequest request = registry.ChooseNew({u"/a", u"/b"});
    registry.Record(request, {request.links[0].cookie, request.links[1].cookie});
    std::vector<uint32_t> cancelled = registry.Clear();
    std::sort(cancelled.begin(), cancelled.end());
    EXPECT_EQ(cancelled, (std::vector<uint32_t>{request.links[0].cookie, request.links[1].cookie}));
    EXPECT_EQ(registry.Size(), 0u);
    EXPECT_TRUE(registry.Clear().empty()) << "cancelled twice";
}

TEST(LinkRegistry, AnswerArrivingAfterTheHandOffIsCancelledNotKept) {
    CLinkRegistry registry;
    const LinkRequest request = registry.ChooseNew({u"/a", u"/b"});
    registry.Clear();
    const std::vector<uint32_t> made = {request.links[0].cookie, request.links[1].cookie};
    EXPECT_EQ(registry.Record(request, made), made);
    EXPECT_EQ(registry.Size(), 0u);
    // The next page after it is asked for afresh.
    EXPECT_EQ(registry.ChooseNew({u"/a"}).links.size(), 1u);
}

TEST(LinkRegistry, TwoAnswersForTheSameTargetKeepTheFirstAndCancelTheSecond) {
    // Two pages loaded one after the other, both asked before either answered.
    CLinkRegistry registry;
    const LinkRequest first = registry.ChooseNew({u"/a"});
    const LinkRequest second = registry.ChooseNew({u"/a"});
    EXPECT_TRUE(registry.Record(first, {first.links[0].cookie}).empty());
    EXPECT_EQ(registry.Record(second, {second.links[0].cookie}),
              std::vector<uint32_t>{second.links[0].cookie});
    EXPECT_EQ(registry.CookieOf(u"/a"), first.links[0].cookie);
}

}  // namespace
