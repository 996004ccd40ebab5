#include "web/LinkRegistry.h"

#include <unordered_set>

LinkRequest CLinkRegistry::ChooseNew(const std::vector<std::u16string>& targets) {
    LinkRequest request{.generation = m_nGeneration};
    std::unordered_set<std::u16string> chosen;
    for (size_t i = 0; i < targets.size(); ++i) {
        if (m_connections.count(targets[i]) == 0 && chosen.insert(targets[i]).second) {
            request.links.push_back({i, targets[i], m_nNextCookie++});
        }
    }
    return request;
}

std::vector<uint32_t> CLinkRegistry::Record(const LinkRequest& request,
                                            const std::vector<uint32_t>& made) {
    // A page may hold tens of thousands of links: no search per link.
    const std::unordered_set<uint32_t> madeSet(made.begin(), made.end());
    std::vector<uint32_t> surplus;
    for (const LinkSubscription& link : request.links) {
        if (madeSet.count(link.cookie) == 0) {
            continue;  // refused: asked for again with the next page
        }
        if (request.generation != m_nGeneration || m_connections.count(link.href) != 0) {
            surplus.push_back(link.cookie);
        } else {
            m_connections[link.href] = link.cookie;
        }
    }
    return surplus;
}

std::vector<uint32_t> CLinkRegistry::Clear() {
    std::vector<uint32_t> cookies;
    cookies.reserve(m_connections.size());
    for (const auto& [href, cookie] : m_connections) {
        cookies.push_back(cookie);
    }
    m_connections.clear();
    ++m_nGeneration;
    return cookies;
}

uint32_t CLinkRegistry::CookieOf(const std::u16string& href) const {
    const auto found = m_connections.find(href);
    return found != m_connections.end() ? found->second : 0;
}
