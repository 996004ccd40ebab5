#pragma once

// The login window's handle on its browser: navigating, and the current
// top-level document.

#include <webkit2/webkit2.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "web/LinkRegistry.h"

// The browser's current top-level document, reached through the program's
// own script world. Each operation answers later, from the main loop, or
// never when the page is gone by then.
class CHtmlDocument {
public:
    CHtmlDocument(WebKitWebView* view, GCancellable* cancellable);

    // The targets of the document's links, in document order.
    void GetLinkTargets(std::function<void(std::vector<std::u16string>)> done) const;

    // Subscribes the window to clicks on those links; answers the cookies of
    // the subscriptions made.
    void SubscribeLinks(const std::vector<LinkSubscription>& links,
                        std::function<void(std::vector<uint32_t>)> done) const;
    void UnsubscribeLinks(const std::vector<uint32_t>& cookies) const;

private:
    void Run(const std::string& script, std::function<void(const std::string& json)> done) const;

    WebKitWebView* m_pView;
    GCancellable* m_pCancellable;
};

class CWebBrowser2 {
public:
    void Attach(WebKitWebView* view, GCancellable* cancellable);
    void Navigate(const std::u16string& url);
    // None before the first page has begun to load.
    std::optional<CHtmlDocument> GetDocument() const;

private:
    WebKitWebView* m_pView = nullptr;
    GCancellable* m_pCancellable = nullptr;
};
