#include "web/CustomControlSite.h"

#include <string>
#include <string_view>

#include "platform/OwnedPtr.h"
#include "platform/Resources.h"
#include "web/SecureNavigation.h"

namespace {

std::string WebText(const char* name) {
    const std::optional<CResourceBytes> bytes = FindWebResource(name);
    return bytes ? std::string(bytes->Text()) : std::string();
}

void AddUserContent(WebKitUserContentManager* content, const std::string& bridgeKey) {
    std::string external = WebText("external.js");
    constexpr std::string_view kKeyPlace = "@BRIDGE_KEY@";
    for (size_t at = external.find(kKeyPlace); at != std::string::npos;
         at = external.find(kKeyPlace, at)) {
        external.replace(at, kKeyPlace.size(), bridgeKey);
    }
    const std::string frames = WebText("frames.js");
    const std::string links = WebText("links.js");
    const std::string style = WebText("hostpolicy.css");
    WebKitUserScript* scripts[] = {
        webkit_user_script_new(external.c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr),
        webkit_user_script_new_for_world(frames.c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                         WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START,
                                         CCustomControlSite::kWorld, nullptr, nullptr),
        webkit_user_script_new_for_world(links.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                         WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START,
                                         CCustomControlSite::kWorld, nullptr, nullptr),
    };
    for (WebKitUserScript* script : scripts) {
        webkit_user_content_manager_add_script(content, script);
        webkit_user_script_unref(script);
    }
    WebKitUserStyleSheet* sheet =
        webkit_user_style_sheet_new(style.c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                    WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);
    webkit_user_content_manager_add_style_sheet(content, sheet);
    webkit_user_style_sheet_unref(sheet);
}

gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*,
                       gpointer) {
    return TRUE;  // no menu, anywhere in the page
}

gboolean OnKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer) {
    if (event->keyval == GDK_KEY_F5) {
        webkit_web_view_reload(WEBKIT_WEB_VIEW(widget));
        return TRUE;
    }
    return FALSE;
}

// A link the player clicked that wants a new window opens in the player's
// own web browser. A page opening windows by itself opens nothing: it could
// otherwise start the browser again and again.
GtkWidget* OnCreate(WebKitWebView* view, WebKitNavigationAction* action, gpointer) {
    if (!webkit_navigation_action_is_user_gesture(action)) {
        return nullptr;
    }
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    const char* uri = request != nullptr ? webkit_uri_request_get_uri(request) : nullptr;
    if (uri != nullptr && (g_str_has_prefix(uri, "http://") || g_str_has_prefix(uri, "https://"))) {
        GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(view));
        gtk_show_uri_on_window(GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr, uri,
                               GDK_CURRENT_TIME, nullptr);
    }
    return nullptr;
}

// Nothing a page asks permission for (location, notifications, camera,
// microphone, storage beyond the usual) has a use in a login page.
gboolean OnPermissionRequest(WebKitWebView*, WebKitPermissionRequest* request, gpointer) {
    webkit_permission_request_deny(request);
    return TRUE;
}

}  // namespace

// A navigation to plain http from an https login is refused before its
// request is made. The engine asks the same for frames and for the server's
// redirects, so neither can take the page there either.
//
// The program never has the engine save anything: a response the engine
// would turn into a download (an attachment, or a type it cannot show) is
// dropped before any byte of it is stored. The web context cancels whatever
// download starts by another way.
gboolean CCustomControlSite::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                            WebKitPolicyDecisionType type,
                                            CCustomControlSite* self) {
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
        WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
            WEBKIT_NAVIGATION_POLICY_DECISION(decision));
        const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
        if (uri != nullptr && !MayNavigate(self->m_strLoginUrl, uri)) {
            g_printerr("login-launcher: refused to leave https for %s\n", uri);
            webkit_policy_decision_ignore(decision);
            return TRUE;
        }
        return FALSE;
    }
    if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
        return FALSE;
    }
    auto* responseDecision = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    WebKitURIResponse* response = webkit_response_policy_decision_get_response(responseDecision);
    SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(response);
    char* disposition = nullptr;
    const bool found = headers != nullptr &&
                       soup_message_headers_get_content_disposition(headers, &disposition, nullptr);
    const GCharPtr owned(disposition);
    const bool attachment = found && g_ascii_strcasecmp(disposition, "attachment") == 0;
    if (attachment || !webkit_response_policy_decision_is_mime_type_supported(responseDecision)) {
        g_printerr("login-launcher: refused to download %s\n",
                   webkit_uri_response_get_uri(response));
        webkit_policy_decision_ignore(decision);
        return TRUE;
    }
    return FALSE;
}

CCustomControlSite::CCustomControlSite(WebKitWebView* view, const std::string& bridgeKey)
    : m_pView(WEBKIT_WEB_VIEW(g_object_ref_sink(view))) {
    AddUserContent(webkit_web_view_get_user_content_manager(view), bridgeKey);
    WebKitSettings* settings = webkit_web_view_get_settings(view);
    // Drawing without the GPU path costs the page's process about a quarter
    // of its memory and nothing that a login page would show.
    webkit_settings_set_hardware_acceleration_policy(settings,
                                                     WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    webkit_settings_set_enable_developer_extras(settings, FALSE);
    g_signal_connect(view, "context-menu", G_CALLBACK(OnContextMenu), this);
    g_signal_connect(view, "key-press-event", G_CALLBACK(OnKeyPress), this);
    g_signal_connect(view, "create", G_CALLBACK(OnCreate), this);
    g_signal_connect(view, "decide-policy", G_CALLBACK(OnDecidePolicy), this);
    g_signal_connect(view, "permission-request", G_CALLBACK(OnPermissionRequest), this);
}

CCustomControlSite::~CCustomControlSite() {
    g_signal_handlers_disconnect_by_data(m_pView.get(), this);
}
