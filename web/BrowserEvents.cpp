#include "web/BrowserEvents.h"

#include <exception>

#include "platform/OwnedPtr.h"
#include "platform/TextCodec.h"
#include "web/CustomControlSite.h"

namespace {

// A frame report: {event: "navigate" | "document", url: "..."}.
bool ReadFrameReport(JSCValue* value, std::string& event, std::string& url) {
    if (!jsc_value_is_object(value)) {
        return false;
    }
    const GObjectPtr<JSCValue> e(jsc_value_object_get_property(value, "event"));
    const GObjectPtr<JSCValue> u(jsc_value_object_get_property(value, "url"));
    const bool ok = jsc_value_is_string(e.get()) && jsc_value_is_string(u.get());
    if (ok) {
        event = GCharPtr(jsc_value_to_string(e.get())).get();
        url = GCharPtr(jsc_value_to_string(u.get())).get();
    }
    return ok;
}

}  // namespace

CBrowserEvents::CBrowserEvents(WebKitWebView* view, CBrowserEventSink sink)
    : m_pView(RefObject(view)),
      m_pContent(webkit_web_view_get_user_content_manager(view)),
      m_sink(std::move(sink)) {
    g_signal_connect(view, "load-changed", G_CALLBACK(OnLoadChanged), this);
    g_signal_connect(view, "load-failed", G_CALLBACK(OnLoadFailed), this);
    g_signal_connect(view, "decide-policy", G_CALLBACK(OnDecidePolicy), this);
    webkit_user_content_manager_register_script_message_handler_in_world(
        m_pContent, kFramesHandler, CCustomControlSite::kWorld);
    webkit_user_content_manager_register_script_message_handler_in_world(
        m_pContent, kLinksHandler, CCustomControlSite::kWorld);
    g_signal_connect(m_pContent,
                     (std::string("script-message-received::") + kFramesHandler).c_str(),
                     G_CALLBACK(OnFrameMessage), this);
    g_signal_connect(m_pContent, (std::string("script-message-received::") + kLinksHandler).c_str(),
                     G_CALLBACK(OnLinkMessage), this);
}

CBrowserEvents::~CBrowserEvents() {
    g_signal_handlers_disconnect_by_data(m_pView.get(), this);
    g_signal_handlers_disconnect_by_data(m_pContent, this);
}

void CBrowserEvents::Deliver(const std::function<void(const std::u16string&)>& handler,
                             const char* utf8) {
    if (!handler) {
        return;
    }
    try {
        handler(WideFromUtf8(utf8 != nullptr ? utf8 : ""));
    } catch (const std::exception& e) {
        g_printerr("login-launcher: browser event handler failed: %s\n", e.what());
    }
}

void CBrowserEvents::OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event,
                                   CBrowserEvents* self) {
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

gboolean CBrowserEvents::OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError*,
                                      CBrowserEvents* self) {
    self->m_bLoadFailed = true;
    return FALSE;  // the engine shows its error page
}

gboolean CBrowserEvents::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                        WebKitPolicyDecisionType type, CBrowserEvents* self) {
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION ||
        type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
        WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
            WEBKIT_NAVIGATION_POLICY_DECISION(decision));
        WebKitURIRequest* request = webkit_navigation_action_get_request(action);
        Deliver(self->m_sink.onBeforeNavigate, webkit_uri_request_get_uri(request));
    }
    return FALSE;  // every navigation goes ahead as the engine decides
}

void CBrowserEvents::OnFrameMessage(WebKitUserContentManager*, WebKitJavascriptResult* result,
                                    CBrowserEvents* self) {
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

void CBrowserEvents::OnLinkMessage(WebKitUserContentManager*, WebKitJavascriptResult* result,
                                   CBrowserEvents* self) {
    JSCValue* value = webkit_javascript_result_get_js_value(result);
    if (jsc_value_is_string(value)) {
        Deliver(self->m_sink.onLinkClick, GCharPtr(jsc_value_to_string(value)).get());
    }
}
