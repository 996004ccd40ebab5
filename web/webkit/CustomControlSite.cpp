#include <json/json.h>

#include <memory>
#include <string>
#include <string_view>

#include "platform/GLibPtr.h"
#include "platform/GameMode.h"
#include "platform/Gamepad.h"
#include "platform/OnScreenKeyboard.h"
#include "platform/Resources.h"
#include "web/CustomControlSite.h"
#include "web/PageDiagnostics.h"
#include "web/SecureNavigation.h"
#include "web/webkit/EngineSite.h"
#include "web/webkit/WindowItem.h"

namespace {

// The message handler trouble.js reports to.
constexpr char kTroubleHandler[] = "tharnvaleTrouble";
// The message handler fields.js tells of text fields' focus.
constexpr char kFieldHandler[] = "tharnvaleField";

std::string WebText(const char* name) {
    const std::optional<CResourceBytes> bytes = FindWebResource(name);
    return bytes ? std::string(bytes->Text()) : std::string();
}

void Substitute(std::string& text, std::string_view place, const std::string& value) {
    for (size_t at = text.find(place); at != std::string::npos; at = text.find(place, at)) {
        text.replace(at, place.size(), value);
    }
}

// Texts as a script's array of strings.
std::string ScriptArray(const std::vector<std::string>& texts) {
    Json::Value array(Json::arrayValue);
    for (const std::string& text : texts) {
        array.append(text);
    }
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "";
    return Json::writeString(writer, array);
}

void AddUserContent(WebKitUserContentManager* content, const std::string& bridgeKey,
                    const CPortalOrigins& portal) {
    std::string external = WebText("external.js");
    Substitute(external, "@BRIDGE_KEY@", bridgeKey);
    Substitute(external, "@PORTAL_ORIGINS@", ScriptArray(portal.Serialized()));
    const std::string frames = WebText("frames.js");
    const std::string links = WebText("links.js");
    const std::string drops = WebText("drops.js");
    const std::string trouble = WebText("trouble.js");
    const std::string style = WebText("hostpolicy.css");
    auto inWorld = [](const std::string& text, WebKitUserContentInjectedFrames frames) {
        return webkit_user_script_new_for_world(text.c_str(), frames,
                                                WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START,
                                                kScriptWorld, nullptr, nullptr);
    };
    WebKitUserScript* scripts[] = {
        webkit_user_script_new(external.c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr),
        inWorld(frames, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES),
        inWorld(links, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME),
        inWorld(drops, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES),
        inWorld(trouble, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES),
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

// Nothing a page asks permission for (location, notifications, camera,
// microphone, storage beyond the usual) has a use in a login page.
gboolean OnPermissionRequest(WebKitWebView*, WebKitPermissionRequest* request, gpointer) {
    webkit_permission_request_deny(request);
    return TRUE;
}

// The login window follows the pointer over its items, the browser's
// included.
gboolean OnPointerMotion(GtkWidget*, GdkEventMotion*, CCustomControlSite::Impl* site) {
    if (site->onPointerMotion) {
        site->onPointerMotion();
    }
    return FALSE;
}

// A report of trouble.js: {kind, text, address, line}.
void OnTroubleMessage(WebKitUserContentManager*, WebKitJavascriptResult* result,
                      CCustomControlSite::Impl* site) {
    JSCValue* report = webkit_javascript_result_get_js_value(result);
    if (!jsc_value_is_object(report)) {
        return;
    }
    const GObjectPtr<JSCValue> line(jsc_value_object_get_property(report, "line"));
    site->trouble.Report(StringMember(report, "kind").value_or(""),
                         StringMember(report, "text").value_or(""),
                         StringMember(report, "address").value_or(""),
                         jsc_value_is_number(line.get()) ? jsc_value_to_int32(line.get()) : 0);
}

// A message of fields.js: "focus" when a text field took the keyboard,
// "blur" when it let it go. On a handheld in game mode, where a gamepad is
// all the player has, a field that takes the keyboard brings up the
// on-screen one.
void OnFieldMessage(WebKitUserContentManager*, WebKitJavascriptResult* result,
                    bool* fieldHasKeyboard) {
    JSCValue* message = webkit_javascript_result_get_js_value(result);
    if (!jsc_value_is_string(message)) {
        return;
    }
    const GCharPtr text(jsc_value_to_string(message));
    *fieldHasKeyboard = std::string_view(text.get()) == "focus";
    if (*fieldHasKeyboard && IsGameMode()) {
        ShowOnScreenKeyboard();
    }
}

void OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, CCustomControlSite::Impl* site) {
    if (event == WEBKIT_LOAD_COMMITTED) {
        site->trouble.OnNewPage();
        site->fieldHasKeyboard = false;
    }
}

}  // namespace

void WatchTextFields(CSignalConnections& signals, WebKitUserContentManager* content,
                     bool* fieldHasKeyboard) {
    WebKitUserScript* script = webkit_user_script_new_for_world(
        WebText("fields.js").c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
        WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, kScriptWorld, nullptr, nullptr);
    webkit_user_content_manager_add_script(content, script);
    webkit_user_script_unref(script);
    webkit_user_content_manager_register_script_message_handler_in_world(content, kFieldHandler,
                                                                         kScriptWorld);
    signals.Add(content, (std::string("script-message-received::") + kFieldHandler).c_str(),
                G_CALLBACK(OnFieldMessage), fieldHasKeyboard);
}

void ConnectHostPolicy(CSignalConnections& signals, WebKitWebView* view, CPopupWindows& popups) {
    signals.Add(view, "context-menu", G_CALLBACK(OnContextMenu), nullptr);
    signals.Add(view, "permission-request", G_CALLBACK(OnPermissionRequest), nullptr);
    signals.Add(view, "create", G_CALLBACK(CPopupWindows::OnCreate), &popups);
    // Before the browser's own handling, which hands the input to the page.
    for (const char* input : {"button-press-event", "key-press-event", "touch-event"}) {
        signals.Add(view, input, G_CALLBACK(CPopupWindows::OnPlayerInput), &popups);
    }
}

// A navigation to plain http from an https login is refused before its
// request is made. The engine asks the same for frames and for the server's
// redirects, so neither can take the page there either.
//
// The program never has the engine save anything: a response the engine
// would turn into a download (an attachment, or a type it cannot show) is
// dropped before any byte of it is stored. The web context cancels whatever
// download starts by another way.
bool DecideHostPolicy(const CHostRules& rules, WebKitPolicyDecision* decision,
                      WebKitPolicyDecisionType type) {
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
        WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
            WEBKIT_NAVIGATION_POLICY_DECISION(decision));
        const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
        if (uri != nullptr && !MayNavigate(rules.loginUrl, uri, rules.callbackOrigins)) {
            rules.trouble.Report("refused to leave https for " + AddressForLog(uri));
            webkit_policy_decision_ignore(decision);
            return true;
        }
        return false;
    }
    if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
        return false;
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
        rules.trouble.Report("refused to download " +
                             AddressForLog(webkit_uri_response_get_uri(response)));
        webkit_policy_decision_ignore(decision);
        return true;
    }
    return false;
}

CCustomControlSite::Impl::Impl(WebKitWebView* view, const std::string& bridgeKey,
                               const CPortalOrigins& portal)
    : view(WEBKIT_WEB_VIEW(g_object_ref_sink(view))), portal(portal) {
    g_object_set_data(G_OBJECT(view), kTroubleLogKey, &trouble);
    AddUserContent(webkit_web_view_get_user_content_manager(view), bridgeKey, portal);
    WebKitSettings* settings = webkit_web_view_get_settings(view);
    // Drawing without the GPU path costs the page's process about a quarter
    // of its memory and nothing that a login page would show.
    webkit_settings_set_hardware_acceleration_policy(settings,
                                                     WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    webkit_settings_set_enable_developer_extras(settings, FALSE);
    // Every window a page opens is put to the program (OnCreate), which
    // opens only those the player asked for, and says which it refused.
    webkit_settings_set_javascript_can_open_windows_automatically(settings, TRUE);
    ConnectHostPolicy(signals, view, popups);
    signals.Add(view, "key-press-event", G_CALLBACK(OnKeyPress), this);
    signals.Add(view, "motion-notify-event", G_CALLBACK(OnPointerMotion), this);
    signals.Add(view, "load-changed", G_CALLBACK(OnLoadChanged), this);
    WebKitUserContentManager* content = webkit_web_view_get_user_content_manager(view);
    webkit_user_content_manager_register_script_message_handler_in_world(content, kTroubleHandler,
                                                                         kScriptWorld);
    signals.Add(content, (std::string("script-message-received::") + kTroubleHandler).c_str(),
                G_CALLBACK(OnTroubleMessage), this);
    WatchTextFields(signals, content, &fieldHasKeyboard);
    // The pad's keyboard button brings the on-screen keyboard up again for
    // the field that has the keyboard, once the player has put it away.
    SetGamepadKeyboardButton([this] {
        if ((fieldHasKeyboard || popups.FieldHasKeyboard()) && IsGameMode()) {
            ShowOnScreenKeyboard();
        }
    });
    navigation.SetHostPolicy([this](WebKitPolicyDecision* decision, WebKitPolicyDecisionType type) {
        return DecideHostPolicy(rules, decision, type);
    });
}

CCustomControlSite::Impl::~Impl() {
    SetGamepadKeyboardButton(nullptr);
    g_object_set_data(G_OBJECT(view.get()), kTroubleLogKey, nullptr);
    // No answer of the page may reach its asker from now on.
    g_cancellable_cancel(cancellable.get());
}

CCustomControlSite::CCustomControlSite(std::unique_ptr<Impl> impl) : m_pImpl(std::move(impl)) {}

CCustomControlSite::~CCustomControlSite() = default;

void CCustomControlSite::PlaceIn(CDialogWindow& window, int itemId, int width, int height) {
    GtkWidget* holder = WindowItemWidget(window, itemId);
    if (holder == nullptr || m_pImpl->width != 0) {
        return;
    }
    m_pImpl->width = width;
    m_pImpl->height = height;
    GtkWidget* view = GTK_WIDGET(m_pImpl->view.get());
    gtk_widget_set_size_request(view, width, height);
    // The engine asks for as much room as the page's content takes, and a
    // window of fixed size grows to what its children ask for, with no way
    // back once its size is fixed again: the view sits in a frame that asks
    // for the browser's own size only.
    GtkWidget* frame = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(frame), GTK_POLICY_NEVER, GTK_POLICY_NEVER);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(frame), GTK_SHADOW_NONE);
    gtk_container_add(GTK_CONTAINER(frame), view);
    gtk_container_add(GTK_CONTAINER(holder), frame);
    gtk_widget_show_all(frame);
}

void CCustomControlSite::SetLoginUrl(std::string loginUrl) {
    m_pImpl->loginUrl = std::move(loginUrl);
}

void CCustomControlSite::SetFocus() {
    gtk_widget_grab_focus(GTK_WIDGET(m_pImpl->view.get()));
}

void CCustomControlSite::SetOnPointerMotion(std::function<void()> onMotion) {
    m_pImpl->onPointerMotion = std::move(onMotion);
}

CairoSurfacePtr CCustomControlSite::SnapshotPage(int scale) const {
    if (m_pImpl->width == 0) {
        return nullptr;
    }
    CairoSurfacePtr snapshot(cairo_image_surface_create(CAIRO_FORMAT_RGB24, m_pImpl->width * scale,
                                                        m_pImpl->height * scale));
    cairo_surface_set_device_scale(snapshot.get(), scale, scale);
    gtk_widget_draw(GTK_WIDGET(m_pImpl->view.get()), CairoPtr(cairo_create(snapshot.get())).get());
    return snapshot;
}

void CCustomControlSite::Navigate(const std::string& utf8Url) {
    webkit_web_view_load_uri(m_pImpl->view.get(), utf8Url.c_str());
}

void CCustomControlSite::ClosePopups() {
    m_pImpl->popups.CloseAll();
}

bool CCustomControlSite::HasPage() const {
    return webkit_web_view_get_uri(m_pImpl->view.get()) != nullptr;
}

void CCustomControlSite::RunScript(const std::string& script,
                                   std::function<void(const std::string&)> done) const {
    auto* pending = new std::function<void(const std::string&)>(std::move(done));
    webkit_web_view_evaluate_javascript(
        m_pImpl->view.get(), script.c_str(), gssize(script.size()), kScriptWorld, nullptr,
        m_pImpl->cancellable.get(),
        [](GObject* view, GAsyncResult* result, gpointer data) {
            std::unique_ptr<std::function<void(const std::string&)>> callback(
                static_cast<std::function<void(const std::string&)>*>(data));
            GError* error = nullptr;
            const GObjectPtr<JSCValue> value(
                webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, &error));
            const GErrorPtr failure(error);  // the page went, or the site did
            if (value != nullptr && jsc_value_is_string(value.get())) {
                (*callback)(GCharPtr(jsc_value_to_string(value.get())).get());
            }
        },
        pending);
}
