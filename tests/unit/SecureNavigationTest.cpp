// Which addresses the browser may go to, by the login page's scheme.

#include <gtest/gtest.h>

#include "web/SecureNavigation.h"

namespace {

constexpr char kHttpsLogin[] = "https://portal.example.com/url/weiduan.php?gn=halvoryne";
constexpr char kHttpLogin[] = "http://portal.example.com/url/weiduan.php?gn=halvoryne";

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
        EXPECT_EQ(MayNavigate(c.login, c.target), c.allowed) << c.name;
    }
}
