#pragma once

#include <memory>
#include <string>

#include <webkit2/webkit2.h>

#include "platform/OwnedPtr.h"
#include "web/CustomControlSite.h"
#include "web/ExternalBridge.h"

class CImpIDispatch;

// Makes every browser the program creates, each with the host policy of its
// control site, all sharing one engine context: one store of cookies (kept
// across runs in the player's data folder, as a browser keeps them) and the
// address scheme through which window.external reaches the script bridge.
// Installed once at start-up, before any window exists.
class CCustomOccManager {
public:
    CCustomOccManager() = default;
    ~CCustomOccManager() = default;
    CCustomOccManager(const CCustomOccManager&) = delete;
    CCustomOccManager& operator=(const CCustomOccManager&) = delete;

    std::unique_ptr<CCustomControlSite> CreateSite();

    // The script bridge that window.external calls reach; none: every call
    // is refused. The manager does not own it.
    void SetBridge(CImpIDispatch* pBridge) { m_pBridge = pBridge; }

    // The address scheme of the script bridge's requests.
    static constexpr char kExternalScheme[] = "tharnvale-external";

private:
    WebKitWebContext* Context();
    static void OnExternalRequest(WebKitURISchemeRequest* request, CCustomOccManager* self);

    GObjectPtr<WebKitWebContext> m_pContext;
    CImpIDispatch* m_pBridge = nullptr;
    // This run's secret between the program and its window.external script.
    const std::string m_strBridgeKey = MakeBridgeKey();
};
