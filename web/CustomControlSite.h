#pragma once

// One browser with the program's host policy: no context menu, no scroll
// bars and no border, the engine's own keys (F5 reloads, copy and paste),
// addresses never rewritten, the engine's own drag and drop, and
// window.external answered by the script bridge in every document and
// frame. A window a script opens on the player's click is a pop-up of the
// program's own (partner accounts sign in there); a link that asks for a
// new tab opens in the player's web browser.
// Once the login page is known to be https, no navigation goes to plain
// http (see SecureNavigation.h). Nothing a page offers is ever saved.
//
// The login window reaches its browser only through this class and the
// others of web/ (CWebBrowser2, CBrowserEvents, CLoginPageGuard); the web
// engine itself stays inside web/webkit/.

#include <functional>
#include <memory>
#include <string>

#include "platform/OwnedPtr.h"

class CDialogWindow;

// Why a top-level load failed, as the program's page logic tells outages
// from loads that were only stopped.
enum class LoadFailure {
    // Another navigation took its place, or the player stopped it.
    Stopped,
    // A decision of the program's stopped it (a response it refused, or a
    // redirect to where it may not go).
    Refused,
    // The network or the server failed it.
    Unreachable,
};

// What the browser tells the program's page logic (CLoginPageGuard) of the
// top-level page's loads, its process and the network. Each may be empty.
struct CPageLoadSink {
    std::function<void()> onStarted;
    std::function<void()> onCommitted;
    std::function<void()> onFinished;
    // True: the program shows a page of its own once the load has finished,
    // instead of the engine's error page. `why` in words, for a log.
    std::function<bool(const std::string& url, LoadFailure failure, const std::string& why)>
        onFailed;
    // The server's certificate is not vouched for (`problems`, in words):
    // the load fails next, as Unreachable.
    std::function<void(const std::string& url, const std::string& problems)> onInsecure;
    // The top-level page's answer came with this HTTP status. True: refuse
    // it; its load fails as Refused.
    std::function<bool(unsigned status)> onPageAnswer;
    std::function<void(bool outOfMemory)> onProcessEnded;
    std::function<void(bool available)> onNetworkChanged;
};

class CCustomControlSite {
public:
    // What the engine side holds of one browser (web/webkit/EngineSite.h).
    struct Impl;

    // Made by CCustomOccManager::CreateSite.
    explicit CCustomControlSite(std::unique_ptr<Impl> impl);
    ~CCustomControlSite();
    CCustomControlSite(const CCustomControlSite&) = delete;
    CCustomControlSite& operator=(const CCustomControlSite&) = delete;

    // Puts the browser into `window`'s item `itemId`, at `width` by
    // `height` of the window's pixels, and shows it. Once.
    void PlaceIn(CDialogWindow& window, int itemId, int width, int height);

    // The login page's address, which decides whether plain http may be
    // navigated to.
    void SetLoginUrl(std::string loginUrl);

    // Gives the browser the keyboard in its window: the player's first key
    // reaches the page's focused field (an autofocus one), and the engine's
    // own keys (F5) work, with no click into the page first.
    void SetFocus();

    // Called whenever the pointer moves over the browser.
    void SetOnPointerMotion(std::function<void()> onMotion);

    // The page's current look, as many pixels as it shows on the screen at
    // `scale` (device scale set to it); null before PlaceIn.
    CairoSurfacePtr SnapshotPage(int scale) const;

    // Closes the pop-ups the page opened.
    void ClosePopups();

    // Starts loading `utf8Url`.
    void Navigate(const std::string& utf8Url);
    // Shows `html`, a page of the program's own, in place of the page at
    // `utf8Url`: a reload loads that address.
    void ShowOwnPage(const std::string& html, const std::string& utf8Url);
    void StopLoading();
    // Who hears of the top-level page's loads (an empty sink: nobody).
    // Set first after the browser events (CBrowserEvents) have been made,
    // so that they see every load as it is.
    void SetPageLoadSink(CPageLoadSink sink);
    // A page has begun to load at some time: there is a document to ask.
    bool HasPage() const;
    // Runs `script` in the top-level document, in the program's own script
    // world, and passes its string result to `done`, later, from the main
    // loop. `done` never runs when the result is no string, when the page
    // went, or once this site is gone.
    void RunScript(const std::string& script,
                   std::function<void(const std::string& result)> done) const;

    // For the engine side only.
    Impl& Engine() const { return *m_pImpl; }

private:
    std::unique_ptr<Impl> m_pImpl;
};
