#pragma once

#include <memory>

#include "web/CustomControlSite.h"

class CImpIDispatch;
class CPortalOrigins;

// Makes every browser the program creates, each with the host policy of its
// control site, all sharing one engine context: one store of cookies (kept
// across runs in the player's data folder, as a browser keeps them) and the
// address scheme through which window.external reaches the script bridge.
// Installed once at start-up, before any window exists.
class CCustomOccManager {
public:
    // Only documents of `portalOrigins` get window.external; only the login
    // page's browser goes to those origins' plain-http callback addresses.
    explicit CCustomOccManager(const CPortalOrigins& portalOrigins);
    ~CCustomOccManager();
    CCustomOccManager(const CCustomOccManager&) = delete;
    CCustomOccManager& operator=(const CCustomOccManager&) = delete;

    std::unique_ptr<CCustomControlSite> CreateSite();

    // The script bridge that window.external calls reach; none: every call
    // is refused. The manager does not own it.
    void SetBridge(CImpIDispatch* pBridge);

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
