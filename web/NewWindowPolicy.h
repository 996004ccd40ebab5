#pragma once

// What a page's request for a new window gets. Partner accounts sign in in
// a pop-up the portal opens on the player's click, and hand the result back
// to the portal through window.opener: such a window opens as a pop-up of
// the program's own. A link that only asks for a new tab leads away from
// the login, to the player's own web browser. A page opening windows by
// itself opens nothing. Pure text work, so the rules can be checked without
// a browser.

#include <string_view>

enum class NewWindowAnswer {
    Refuse,
    OpenInPlayerBrowser,
    OpenPopup,
};

struct CNewWindowRequest {
    // The address the new window is to load (UTF-8); empty or about:blank
    // when the page fills the window in afterwards.
    std::string_view url;
    // In answer to the player's click or key.
    bool byPlayer = false;
    // A link or a form with a target of its own, rather than a script's
    // window.open.
    bool fromLink = false;
};

// `loginUrl` is the login page's address, whose https rule the pop-up
// keeps too.
NewWindowAnswer DecideNewWindow(std::string_view loginUrl, const CNewWindowRequest& request);

struct CWindowSize {
    int width = 0;
    int height = 0;
};

// The pop-up's size: what the page asked for (0: nothing), kept within
// `room`, the screen's work area.
CWindowSize FitPopupSize(CWindowSize asked, CWindowSize room);
