#include "web/webkit/PopupWindows.h"

#include <algorithm>
#include <string>

#include "platform/GLibPtr.h"
#include "platform/Timer.h"
#include "platform/gtk/SignalConnection.h"
#include "web/NewWindowPolicy.h"
#include "web/PageDiagnostics.h"
#include "web/webkit/EngineSite.h"

namespace {

CNewWindowRequest RequestOf(WebKitNavigationAction* action, const char* uri) {
    const WebKitNavigationType type = webkit_navigation_action_get_navigation_type(action);
    return {.url = uri != nullptr ? uri : "",
            .byPlayer = webkit_navigation_action_is_user_gesture(action) != FALSE,
            .fromLink = type == WEBKIT_NAVIGATION_TYPE_LINK_CLICKED ||
                        type == WEBKIT_NAVIGATION_TYPE_FORM_SUBMITTED};
}

// The room on the screen the launcher is on.
CWindowSize WorkArea(GtkWidget* window) {
    GdkWindow* gdkWindow = gtk_widget_get_window(window);
    GdkDisplay* display = gtk_widget_get_display(window);
    GdkMonitor* monitor = gdkWindow != nullptr
                              ? gdk_display_get_monitor_at_window(display, gdkWindow)
                              : gdk_display_get_primary_monitor(display);
    if (monitor == nullptr) {
        return {};
    }
    GdkRectangle area;
    gdk_monitor_get_workarea(monitor, &area);
    return {area.width, area.height};
}

}  // namespace

struct CPopupWindows::CPopup {
    CPopup(CPopupWindows& owner, WebKitWebView* view);
    ~CPopup();
    CPopup(const CPopup&) = delete;
    CPopup& operator=(const CPopup&) = delete;

    static void OnReadyToShow(WebKitWebView*, CPopup* self);
    static void OnClose(WebKitWebView*, CPopup* self);
    static gboolean OnDeleteEvent(GtkWidget*, GdkEvent*, CPopup* self);
    static void OnTitleChanged(WebKitWebView*, GParamSpec*, CPopup* self);
    static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                   WebKitPolicyDecisionType type, CPopup* self);
    static void OnLauncherGone(GtkWidget*, CPopup* self);
    static void OnProcessEnded(WebKitWebView*, WebKitWebProcessTerminationReason, CPopup* self);

    CPopupWindows& m_owner;
    // Held, so that the window outlives whatever destroys it first.
    const GObjectPtr<GtkWidget> m_pWindow;
    WebKitWebView* const m_pView;
    CSignalConnections m_signals;
    bool m_bFieldHasKeyboard = false;
    // Closes the pop-up once the engine is done telling of its page's end.
    CTimer m_closeLater;
};

CPopupWindows::CPopup::CPopup(CPopupWindows& owner, WebKitWebView* view)
    : m_owner(owner), m_pWindow(RefObject(gtk_window_new(GTK_WINDOW_TOPLEVEL))), m_pView(view) {
    GtkWidget* launcher = gtk_widget_get_toplevel(GTK_WIDGET(owner.m_pLauncherView));
    GtkWindow* window = GTK_WINDOW(m_pWindow.get());
    // A dialog of the launcher's: tiling window managers float it, and
    // every desktop keeps it over the launcher. It goes before the
    // launcher's window does, whichever way the program ends.
    gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
    if (GTK_IS_WINDOW(launcher)) {
        gtk_window_set_transient_for(window, GTK_WINDOW(launcher));
        m_signals.Add(launcher, "destroy", G_CALLBACK(OnLauncherGone), this);
    }
    gtk_window_set_position(window, GTK_WIN_POS_CENTER_ON_PARENT);
    gtk_container_add(GTK_CONTAINER(window), GTK_WIDGET(view));
    g_object_set_data(G_OBJECT(view), kTroubleLogKey, &owner.m_trouble);

    m_signals.Add(view, "ready-to-show", G_CALLBACK(OnReadyToShow), this);
    m_signals.Add(view, "close", G_CALLBACK(OnClose), this);
    m_signals.Add(view, "notify::title", G_CALLBACK(OnTitleChanged), this);
    m_signals.Add(view, "decide-policy", G_CALLBACK(OnDecidePolicy), this);
    // Its page's process is the login page's: a pop-up whose page crashed
    // shows nothing any more, and the login page starts over.
    m_signals.Add(view, "web-process-terminated", G_CALLBACK(OnProcessEnded), this);
    ConnectHostPolicy(m_signals, view, owner);
    WatchTextFields(m_signals, webkit_web_view_get_user_content_manager(view),
                    &m_bFieldHasKeyboard);
    m_signals.Add(window, "delete-event", G_CALLBACK(OnDeleteEvent), this);
}

CPopupWindows::CPopup::~CPopup() {
    m_signals.Clear();
    g_object_set_data(G_OBJECT(m_pView), kTroubleLogKey, nullptr);
    gtk_widget_destroy(m_pWindow.get());
}

// The page has set the window up (its size among it): now it shows, at the
// size the page asked for, as far as the screen has room.
void CPopupWindows::CPopup::OnReadyToShow(WebKitWebView*, CPopup* self) {
    GdkRectangle asked{};
    webkit_window_properties_get_geometry(webkit_web_view_get_window_properties(self->m_pView),
                                          &asked);
    GtkWidget* launcher = gtk_widget_get_toplevel(GTK_WIDGET(self->m_owner.m_pLauncherView));
    const CWindowSize size = FitPopupSize({asked.width, asked.height}, WorkArea(launcher));
    gtk_window_set_default_size(GTK_WINDOW(self->m_pWindow.get()), size.width, size.height);
    gtk_widget_show_all(self->m_pWindow.get());
    gtk_widget_grab_focus(GTK_WIDGET(self->m_pView));
}

// The page's window.close().
void CPopupWindows::CPopup::OnClose(WebKitWebView*, CPopup* self) {
    self->m_owner.Close(self);
}

void CPopupWindows::CPopup::OnLauncherGone(GtkWidget*, CPopup* self) {
    self->m_owner.Close(self);
}

void CPopupWindows::CPopup::OnProcessEnded(WebKitWebView*, WebKitWebProcessTerminationReason,
                                           CPopup* self) {
    self->m_closeLater.StartIdle([self] { self->m_owner.Close(self); });
}

// The player closes the window: the pop-up goes, the launcher stays.
gboolean CPopupWindows::CPopup::OnDeleteEvent(GtkWidget*, GdkEvent*, CPopup* self) {
    self->m_owner.Close(self);
    return TRUE;
}

void CPopupWindows::CPopup::OnTitleChanged(WebKitWebView*, GParamSpec*, CPopup* self) {
    const char* title = webkit_web_view_get_title(self->m_pView);
    gtk_window_set_title(GTK_WINDOW(self->m_pWindow.get()), title != nullptr ? title : "");
}

gboolean CPopupWindows::CPopup::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                               WebKitPolicyDecisionType type, CPopup* self) {
    static const CPortalOrigins kNoCallbacks;
    const CPopupWindows& owner = self->m_owner;
    return DecideHostPolicy({owner.m_loginUrl, kNoCallbacks, owner.m_trouble}, decision, type)
               ? TRUE
               : FALSE;
}

CPopupWindows::CPopupWindows(const std::string& loginUrl, CPageTroubleLog& trouble,
                             WebKitWebView* launcherView)
    : m_loginUrl(loginUrl), m_trouble(trouble), m_pLauncherView(launcherView) {}

CPopupWindows::~CPopupWindows() {
    CloseAll();
}

GtkWidget* CPopupWindows::OnCreate(WebKitWebView* opener, WebKitNavigationAction* action,
                                   CPopupWindows* self) {
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    const char* uri = request != nullptr ? webkit_uri_request_get_uri(request) : nullptr;
    const std::string address = AddressForLog(uri != nullptr ? uri : "");
    const auto refuse = [self, &address](const std::string& why) -> GtkWidget* {
        self->m_trouble.Report("refused a new window for " + address + why);
        return nullptr;
    };
    switch (DecideNewWindow(self->m_loginUrl, RequestOf(action, uri))) {
        case NewWindowAnswer::OpenPopup:
            // A page may answer one click with window after window.
            if (self->m_bInputSpent) {
                return refuse(": one click has opened one already");
            }
            self->m_bInputSpent = true;
            return GTK_WIDGET(self->Open(opener));
        case NewWindowAnswer::OpenInPlayerBrowser: {
            GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(opener));
            GError* error = nullptr;
            gtk_show_uri_on_window(GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr, uri,
                                   GDK_CURRENT_TIME, &error);
            if (const GErrorPtr failure(error); failure != nullptr) {
                self->m_trouble.Report("the player's web browser cannot open " + address + ": " +
                                       TextForLog(failure->message));
            }
            return nullptr;
        }
        case NewWindowAnswer::Refuse:
            break;
    }
    return refuse(webkit_navigation_action_is_user_gesture(action)
                      ? ""
                      : ": the page opened it without the player's click");
}

gboolean CPopupWindows::OnPlayerInput(GtkWidget*, GdkEvent*, CPopupWindows* self) {
    self->m_bInputSpent = false;
    return FALSE;
}

// A browser in the opener's web process, so that the two pages reach each
// other, with the login page's settings, but with content of its own: of the
// program's scripts only the one that tells of text fields, so no
// window.external.
WebKitWebView* CPopupWindows::Open(WebKitWebView* opener) {
    const GObjectPtr<WebKitUserContentManager> content(webkit_user_content_manager_new());
    auto* view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", opener,
                                              "settings", webkit_web_view_get_settings(opener),
                                              "user-content-manager", content.get(), nullptr));
    m_popups.push_back(std::make_unique<CPopup>(*this, view));
    return view;
}

void CPopupWindows::Close(CPopup* popup) {
    const auto it = std::find_if(m_popups.begin(), m_popups.end(),
                                 [popup](const auto& held) { return held.get() == popup; });
    if (it != m_popups.end()) {
        // Out of the list first: destroying the window may end other pop-ups.
        std::unique_ptr<CPopup> closing = std::move(*it);
        m_popups.erase(it);
    }
}

bool CPopupWindows::FieldHasKeyboard() const {
    return std::any_of(m_popups.begin(), m_popups.end(),
                       [](const auto& popup) { return popup->m_bFieldHasKeyboard; });
}

void CPopupWindows::CloseAll() {
    while (!m_popups.empty()) {
        std::unique_ptr<CPopup> closing = std::move(m_popups.back());
        m_popups.pop_back();
    }
}
