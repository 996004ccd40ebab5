#include "web/NewWindowPolicy.h"

#include <algorithm>

#include "web/PortalOrigins.h"
#include "web/SecureNavigation.h"

namespace {

// A partner's sign-in page fits here when its page names no size.
constexpr CWindowSize kDefaultPopupSize{520, 640};
// Smaller than this, no sign-in page can be used.
constexpr CWindowSize kSmallestPopupSize{200, 150};

bool IsWeb(std::string_view url) {
    return HasScheme(url, "http") || HasScheme(url, "https");
}

int Fit(int asked, int fallback, int smallest, int room) {
    const int wanted = asked > 0 ? std::max(asked, smallest) : fallback;
    return room > 0 ? std::min(wanted, room) : wanted;
}

}  // namespace

NewWindowAnswer DecideNewWindow(std::string_view loginUrl, const CNewWindowRequest& request) {
    if (!request.byPlayer) {
        return NewWindowAnswer::Refuse;
    }
    if (request.fromLink) {
        return IsWeb(request.url) ? NewWindowAnswer::OpenInPlayerBrowser : NewWindowAnswer::Refuse;
    }
    // A script may open an empty window and send it on its way afterwards;
    // the pop-up's own navigations are checked as the login page's are. A
    // pop-up hands off no callback, so none may take it to plain http.
    const bool blank = request.url.empty() || request.url == "about:blank";
    if (!blank && (!IsWeb(request.url) || !MayNavigate(loginUrl, request.url, CPortalOrigins()))) {
        return NewWindowAnswer::Refuse;
    }
    return NewWindowAnswer::OpenPopup;
}

CWindowSize FitPopupSize(CWindowSize asked, CWindowSize room) {
    return {Fit(asked.width, kDefaultPopupSize.width, kSmallestPopupSize.width, room.width),
            Fit(asked.height, kDefaultPopupSize.height, kSmallestPopupSize.height, room.height)};
}
