#pragma once

// The link click subscriptions the login window holds on its pages.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// One link of a page the window asks to hear clicks of.
struct LinkSubscription {
    size_t position;      // among the document's links
    std::u16string href;  // what the link must still point to
    uint32_t cookie;
};

// What the window asks of one page: the subscriptions, and the registry's
// generation when it asked.
struct LinkRequest {
    uint32_t generation = 0;
    std::vector<LinkSubscription> links;
};

// One subscription per link target, kept until the hand-off cancels them all.
// Pages load again and again, and a page answers a request later, perhaps
// after the hand-off has emptied the registry: the registry decides what to
// ask for, which answers to keep and which subscriptions to cancel at once.
class CLinkRegistry {
public:
    // For a page whose links point at `targets` (in document order): the first
    // link of each target the registry does not hold yet, each with a cookie
    // of its own.
    LinkRequest ChooseNew(const std::vector<std::u16string>& targets);

    // The page made the subscriptions of `request` whose cookies are in
    // `made`. Returns those to cancel at once: any made after the registry
    // was emptied, or for a target it holds already.
    std::vector<uint32_t> Record(const LinkRequest& request, const std::vector<uint32_t>& made);

    // Empties the registry; returns the cookies of what it held, to cancel.
    std::vector<uint32_t> Clear();

    // The cookie held for `href`; 0 when none.
    uint32_t CookieOf(const std::u16string& href) const;
    size_t Size() const { return m_connections.size(); }

private:
    std::map<std::u16string, uint32_t> m_connections;  // target -> cookie
    uint32_t m_nNextCookie = 1;
    // Counts Clear, so that answers to requests made before one are told apart.
    uint32_t m_nGeneration = 0;
};
