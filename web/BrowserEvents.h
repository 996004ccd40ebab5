#pragma once

// Turns the engine's signals into the browser events the login window
// handles, in one place:
//   - navigation complete, with its address: the top-level page when it
//     commits, and every frame (reported by a script in the program's own
//     script world, since the engine reports top-level loads only);
//   - document complete, with its address: the top-level page when it has
//     loaded, and every frame's load event;
//   - before navigation, with its address, for every navigation request the
//     host policy lets through;
//   - link click, with the link's target, from the subscriptions the login
//     window makes.
// A load that fails reports neither its address nor, again, the previous
// page's: only what actually completes is reported.

#include <functional>
#include <memory>
#include <string>

class CCustomControlSite;

struct CBrowserEventSink {
    std::function<void(const std::u16string& url)> onNavigateComplete;
    std::function<void(const std::u16string& url)> onDocumentComplete;
    std::function<void(const std::u16string& url)> onBeforeNavigate;
    std::function<void(const std::u16string& href)> onLinkClick;
};

class CBrowserEvents {
public:
    // Watches `site`'s browser; goes before the site does.
    CBrowserEvents(CCustomControlSite& site, CBrowserEventSink sink);
    ~CBrowserEvents();
    CBrowserEvents(const CBrowserEvents&) = delete;
    CBrowserEvents& operator=(const CBrowserEvents&) = delete;

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
