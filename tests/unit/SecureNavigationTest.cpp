// Which addresses are the portal's own, which the browser may go to, by the
// login page's scheme, and what a page's request for a new window gets.

#include <gtest/gtest.h>

#include "web/NewWindowPolicy.h"
#include "web/PortalOrigins.h"
#include "web/SecureNavigation.h"

namespace {

constexpr char kHttpsLogin[] = "https://portal.example.com/url/weiduan.php?gn=halvoryne";
constexpr char kHttpLogin[] = "http://portal.example.com/url/weiduan.php?gn=halvoryne";
// Where the portal's plain-http callbacks live.
const CPortalOrigins kPortal({"http://login.example.com", "https://portal.example.com:8443"});

struct NavigationCase {
    const char* name;
    const char* login;
    const char* target;
    bool allowed;
};

const NavigationCase kCases[] = {
    {"https to plain http", kHttpsLogin, "http://portal.example.com/account", false},
    {"https to plain http on another host", kHttpsLogin, "http://elsewhere.example.com/", false},
    {"scheme in capitals", kHttpsLogin, "HTTP://portal.example.com/", false},
    {"login page's scheme in capitals", "HTTPS://portal.example.com/", "http://portal.example.com/",
     false},
    {"https to https", kHttpsLogin, "https://elsewhere.example.com/", true},
    {"code callback over plain http", kHttpsLogin,
     "http://login.example.com/plumoqx/codeCallback.htm?code=1", true},
    {"query callback over plain http", kHttpsLogin,
     "http://login.example.com/baidu/codeCallback.htm?user_id=7", true},
    {"code callback on another host", kHttpsLogin,
     "http://elsewhere.example.net/x?/plumoqx/codeCallback.htm?code=1", false},
    {"code callback that needs a code", kHttpsLogin,
     "http://login.example.com/plumoqx/codeCallback.htm?code=1&needCode=1", false},
    {"blank page", kHttpsLogin, "about:blank", true},
    {"data address", kHttpsLogin, "data:text/html,hello", true},
    {"scheme that only starts like http", kHttpsLogin, "https-like://x", true},
    {"plain http login page", kHttpLogin, "http://portal.example.com/account", true},
    {"no login page yet", "", "http://portal.example.com/", true},
};

}  // namespace

TEST(SecureNavigation, PlainHttpIsClosedToAnHttpsLoginButForCallbacks) {
    for (const NavigationCase& c : kCases) {
        EXPECT_EQ(MayNavigate(c.login, c.target, kPortal), c.allowed) << c.name;
    }
}

TEST(PortalOrigins, HoldOnlyTheirOwnSchemeHostAndPort) {
    for (const char* url : {"http://login.example.com/plumoqx/codeCallback.htm?code=1",
                            "HTTP://LOGIN.example.COM:80/", "https://portal.example.com:8443/a"}) {
        EXPECT_TRUE(kPortal.Holds(url)) << url;
    }
    for (const char* url :
         {"https://login.example.com/", "http://login.example.com:8080/",
          "http://login.example.com.elsewhere.net/", "http://login.example.com@elsewhere.net/",
          "http://elsewhere.net/?http://login.example.com/", "file://login.example.com/", ""}) {
        EXPECT_FALSE(kPortal.Holds(url)) << url;
    }
    EXPECT_EQ(kPortal.Serialized(), (std::vector<std::string>{"http://login.example.com",
                                                              "https://portal.example.com:8443"}));
}

namespace {

struct NewWindowCase {
    const char* name;
    const char* login;
    CNewWindowRequest request;
    NewWindowAnswer answer;
};

const NewWindowCase kNewWindowCases[] = {
    {"partner pop-up on a click",
     kHttpsLogin,
     {"https://partner.example.net/oauth", true, false},
     NewWindowAnswer::OpenPopup},
    {"pop-up filled in later",
     kHttpsLogin,
     {"about:blank", true, false},
     NewWindowAnswer::OpenPopup},
    {"pop-up with no address yet", kHttpsLogin, {"", true, false}, NewWindowAnswer::OpenPopup},
    {"pop-up without a click",
     kHttpsLogin,
     {"https://partner.example.net/", false, false},
     NewWindowAnswer::Refuse},
    {"plain http pop-up from an https login",
     kHttpsLogin,
     {"http://partner.example.net/", true, false},
     NewWindowAnswer::Refuse},
    {"plain http pop-up holding a callback's address",
     kHttpsLogin,
     {"http://login.example.com/x?/plumoqx/codeCallback.htm?a=1", true, false},
     NewWindowAnswer::Refuse},
    {"plain http pop-up from a plain http login",
     kHttpLogin,
     {"http://partner.example.net/", true, false},
     NewWindowAnswer::OpenPopup},
    {"pop-up of a local file",
     kHttpsLogin,
     {"file:///etc/passwd", true, false},
     NewWindowAnswer::Refuse},
    {"pop-up running a script",
     kHttpsLogin,
     {"javascript:alert(1)", true, false},
     NewWindowAnswer::Refuse},
    {"new-tab link",
     kHttpsLogin,
     {"https://help.example.com/", true, true},
     NewWindowAnswer::OpenInPlayerBrowser},
    {"new-tab link to plain http",
     kHttpsLogin,
     {"HTTP://help.example.com/", true, true},
     NewWindowAnswer::OpenInPlayerBrowser},
    {"new-tab link without a click",
     kHttpsLogin,
     {"https://help.example.com/", false, true},
     NewWindowAnswer::Refuse},
    {"new-tab link to a local file",
     kHttpsLogin,
     {"file:///tmp/x", true, true},
     NewWindowAnswer::Refuse},
};

TEST(NewWindowPolicy, PopUpsOnAClickLinksToThePlayersBrowserNothingByItself) {
    for (const NewWindowCase& c : kNewWindowCases) {
        EXPECT_EQ(DecideNewWindow(c.login, c.request), c.answer) << c.name;
    }
}

TEST(NewWindowPolicy, PopUpTakesTheSizeAskedWithinTheScreen) {
    const struct {
        CWindowSize asked, room, fitted;
    } cases[] = {
        {{500, 600}, {1920, 1050}, {500, 600}},   {{0, 0}, {1920, 1050}, {520, 640}},
        {{3000, 2000}, {1280, 760}, {1280, 760}}, {{0, 0}, {400, 300}, {400, 300}},
        {{1, 1}, {1920, 1050}, {200, 150}},       {{500, 600}, {0, 0}, {500, 600}},
    };
    for (const auto& c : cases) {
        const CWindowSize fitted = FitPopupSize(c.asked, c.room);
        EXPECT_EQ(fitted.width, c.fitted.width) << c.asked.width << " in " << c.room.width;
        EXPECT_EQ(fitted.height, c.fitted.height) << c.asked.height << " in " << c.room.height;
    }
}

}  // namespace
