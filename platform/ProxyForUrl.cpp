#include "platform/ProxyForUrl.h"

#include <gio/gio.h>

#include "platform/GLibPtr.h"

namespace {

// How long the wait for the resolver's answer sleeps before it looks at the
// cancel flag again.
constexpr guint kCancelCheckMs = 100;

struct PendingLookup {
    bool done = false;
    GStrvPtr answers;
    GErrorPtr error;
};

void OnLookedUp(GObject* resolver, GAsyncResult* result, gpointer data) {
    auto* pending = static_cast<PendingLookup*>(data);
    GError* error = nullptr;
    pending->answers.reset(
        g_proxy_resolver_lookup_finish(G_PROXY_RESOLVER(resolver), result, &error));
    pending->error.reset(error);
    pending->done = true;
}

}  // namespace

std::optional<ProxyRoute> CurlProxyFromGio(std::string_view answer) {
    const std::string text(answer);
    if (text == "direct://") {
        return ProxyRoute{};
    }
    const GUriPtr uri(g_uri_parse(text.c_str(), G_URI_FLAGS_HAS_PASSWORD, nullptr));
    if (!uri || g_uri_get_host(uri.get()) == nullptr || *g_uri_get_host(uri.get()) == '\0') {
        return std::nullopt;
    }
    // GUri gives the scheme in lower case, whatever the answer's case.
    std::string scheme = g_uri_get_scheme(uri.get());
    if (scheme == "socks5") {
        scheme = "socks5h";
    } else if (scheme != "http" && scheme != "https" && scheme != "socks4" && scheme != "socks4a") {
        return std::nullopt;
    }
    const std::string host = g_uri_get_host(uri.get());
    std::string name = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    if (g_uri_get_port(uri.get()) > 0) {
        name += ":" + std::to_string(g_uri_get_port(uri.get()));
    }
    // The rest of the address stays as the resolver wrote it, credentials
    // included: curl reads them from there.
    return ProxyRoute{scheme + text.substr(text.find(':')), name};
}

std::vector<ProxyRoute> UsableProxies(const std::vector<std::string>& answers) {
    std::vector<ProxyRoute> routes;
    for (const std::string& answer : answers) {
        if (auto route = CurlProxyFromGio(answer)) {
            routes.push_back(*route);
        }
    }
    return routes;
}

ProxyLookup ProxyForUrl(const std::string& url, const std::atomic<bool>& cancel) {
    // The answer comes back on a context of this thread's own, never on the
    // main loop, which may be busy with the download window or not running.
    const GMainContextPtr context(g_main_context_new());
    g_main_context_push_thread_default(context.get());
    const GObjectPtr<GCancellable> cancellable(g_cancellable_new());
    PendingLookup pending;
    g_proxy_resolver_lookup_async(g_proxy_resolver_get_default(), url.c_str(), cancellable.get(),
                                  OnLookedUp, &pending);
    // A PAC file may take its time; the player's cancel may not.
    const GSourcePtr tick(g_timeout_source_new(kCancelCheckMs));
    g_source_set_callback(
        tick.get(), [](gpointer) { return gboolean(G_SOURCE_CONTINUE); }, nullptr, nullptr);
    g_source_attach(tick.get(), context.get());
    while (!pending.done) {
        if (cancel) {
            g_cancellable_cancel(cancellable.get());
        }
        g_main_context_iteration(context.get(), TRUE);
    }
    g_source_destroy(tick.get());
    g_main_context_pop_thread_default(context.get());

    ProxyLookup lookup;
    if (pending.error) {
        lookup.error =
            std::string("the proxy settings could not be read: ") + pending.error->message;
        return lookup;
    }
    std::vector<std::string> answers;
    for (gchar** answer = pending.answers.get(); answer != nullptr && *answer != nullptr;
         ++answer) {
        answers.emplace_back(*answer);
    }
    lookup.routes = UsableProxies(answers);
    lookup.found = !lookup.routes.empty();
    if (!lookup.found) {
        // The answers may hold passwords: they are not repeated here.
        lookup.error = "the proxy settings name no proxy this program can use for " + url;
    }
    return lookup;
}
