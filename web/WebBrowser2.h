#pragma once

// The login window's handle on its browser: navigating, and the current
// top-level document.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "web/LinkRegistry.h"

class CCustomControlSite;

// The browser's current top-level document, reached through the program's
// own script world. Each operation answers later, from the main loop, or
// never when the page is gone by then, or the browser is.
class CHtmlDocument {
public:
    explicit CHtmlDocument(const CCustomControlSite& site);

    // The targets of the document's links, in document order.
    void GetLinkTargets(std::function<void(std::vector<std::u16string>)> done) const;

    // Subscribes the window to clicks on those links; answers the cookies of
    // the subscriptions made.
    void SubscribeLinks(const std::vector<LinkSubscription>& links,
                        std::function<void(std::vector<uint32_t>)> done) const;
    void UnsubscribeLinks(const std::vector<uint32_t>& cookies) const;

private:
    const CCustomControlSite* m_pSite;
};

class CWebBrowser2 {
public:
    void Attach(CCustomControlSite& site) { m_pSite = &site; }
    void Navigate(const std::u16string& url);
    // None before the first page has begun to load.
    std::optional<CHtmlDocument> GetDocument() const;

private:
    CCustomControlSite* m_pSite = nullptr;
};
