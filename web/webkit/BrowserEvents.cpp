#include "web/BrowserEvents.h"

#include <webkit2/webkit2.h>

#include <exception>
#include <string>

#include "platform/GLibPtr.h"
#include "platform/TextCodec.h"
#include "platform/gtk/SignalConnection.h"
#include "web/CustomControlSite.h"
#include "web/webkit/EngineSite.h"

namespace {

// The message handlers the program's scripts post to (web/scripts/).
constexpr char kFramesHandler[] = "tharnvaleFrames";
constexpr char kLinksHandler[] = "tharnvaleLinks";

// A frame report: {event: "navigate" | "document", url: "..."}.
bool ReadFrameReport(JSCValue* value, std::string& event, std::string& url) {
    const std::optional<std::string> e = StringMember(value, "event");
    const std::optional<std::string> u = StringMember(value, "url");
    if (!e || !u) {
        return false;
    }
    event = *e;
    url = *u;
    return true;
}

// Runs a handler; nothing it throws may unwind into the engine.
void Deliver(const std::function<void(const std::u16string&)>& handler, const char* utf8) {
    if (!handler) {
        return;
    }
    try {
        handler(WideFromUtf8(utf8 != nullptr ? utf8 : ""));
    } catch (const std::exception& e) {
        g_printerr("login-launcher: browser event handler failed: %s\n", e.what());
    }
}

}  // namespace

struct CBrowserEvents::Impl {
    Impl(CCustomControlSite::Impl& site, CBrowserEventSink sink);
    ~Impl();
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    static void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, Impl* self);
    static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError*, Impl* self);
    static void OnFrameMessage(WebKitUserContentManager*, WebKitJavascriptResult* result,
                               Impl* self);
    static void OnLinkMessage(WebKitUserContentManager*, WebKitJavascriptResult* result,
                              Impl* self);
    bool ReportNavigation(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type) const;

    CCustomControlSite::Impl& m_site;
    CBrowserEventSink m_sink;
    bool m_bLoadFailed = false;
    CSignalConnections m_signals;
};

CBrowserEvents::CBrowserEvents(CCustomControlSite& site, CBrowserEventSink sink)
    : m_pImpl(std::make_unique<Impl>(site.Engine(), std::move(sink))) {}

CBrowserEvents::~CBrowserEvents() = default;

CBrowserEvents::Impl::Impl(CCustomControlSite::Impl& site, CBrowserEventSink sink)
    : m_site(site), m_sink(std::move(sink)) {
    WebKitWebView* view = site.view.get();
    WebKitUserContentManager* content = webkit_web_view_get_user_content_manager(view);
    m_signals.Add(view, "load-changed", G_CALLBACK(OnLoadChanged), this);
    m_signals.Add(view, "load-failed", G_CALLBACK(OnLoadFailed), this);
    webkit_user_content_manager_register_script_message_handler_in_world(content, kFramesHandler,
                                                                         kScriptWorld);
    webkit_user_content_manager_register_script_message_handler_in_world(content, kLinksHandler,
                                                                         kScriptWorld);
    m_signals.Add(content, (std::string("script-message-received::") + kFramesHandler).c_str(),
                  G_CALLBACK(OnFrameMessage), this);
    m_signals.Add(content, (std::string("script-message-received::") + kLinksHandler).c_str(),
                  G_CALLBACK(OnLinkMessage), this);
    site.navigation.SetBrowserEvents(
        [this](WebKitPolicyDecision* decision, WebKitPolicyDecisionType type) {
            return ReportNavigation(decision, type);
        });
}

CBrowserEvents::Impl::~Impl() {
    m_site.navigation.SetBrowserEvents(nullptr);
}

void CBrowserEvents::Impl::OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, Impl* self) {
    switch (event) {
        case WEBKIT_LOAD_STARTED:
            self->m_bLoadFailed = false;
            break;
        case WEBKIT_LOAD_COMMITTED:
            Deliver(self->m_sink.onNavigateComplete, webkit_web_view_get_uri(view));
            break;
        case WEBKIT_LOAD_FINISHED:
            // After a failure the view still carries the previous page's
            // address: that page has completed already.
            if (!self->m_bLoadFailed) {
                Deliver(self->m_sink.onDocumentComplete, webkit_web_view_get_uri(view));
            }
            break;
        default:
            break;
    }
}

gboolean CBrowserEvents::Impl::OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError*,
                                            Impl* self) {
    self->m_bLoadFailed = true;
    return FALSE;  // the engine shows its error page
}

// Reports only: every navigation goes ahead as the engine decides.
bool CBrowserEvents::Impl::ReportNavigation(WebKitPolicyDecision* decision,
                                            WebKitPolicyDecisionType type) const {
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION ||
        type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
        WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
            WEBKIT_NAVIGATION_POLICY_DECISION(decision));
        WebKitURIRequest* request = webkit_navigation_action_get_request(action);
        Deliver(m_sink.onBeforeNavigate, webkit_uri_request_get_uri(request));
    }
    return false;
}

void CBrowserEvents::Impl::OnFrameMessage(WebKitUserContentManager*, WebKitJavascriptResult* result,
                                          Impl* self) {
    std::string event;
    std::string url;
    if (!ReadFrameReport(webkit_javascript_result_get_js_value(result), event, url)) {
        return;
    }
    if (event == "navigate") {
        Deliver(self->m_sink.onNavigateComplete, url.c_str());
    } else if (event == "document") {
        Deliver(self->m_sink.onDocumentComplete, url.c_str());
    }
}

void CBrowserEvents::Impl::OnLinkMessage(WebKitUserContentManager*, WebKitJavascriptResult* result,
                                         Impl* self) {
    JSCValue* value = webkit_javascript_result_get_js_value(result);
    if (jsc_value_is_string(value)) {
        Deliver(self->m_sink.onLinkClick, GCharPtr(jsc_value_to_string(value)).get());
    }
}
