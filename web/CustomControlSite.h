#pragma once

// One browser with the program's host policy: no context menu, no scroll
// bars and no border, the engine's own keys (F5 reloads, copy and paste),
// addresses never rewritten, the engine's own drag and drop, and
// window.external answered by the script bridge in every document and
// frame. Pages that ask for a new window open in the player's web browser.
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

    // Starts loading `utf8Url`.
    void Navigate(const std::string& utf8Url);
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
