#include "web/ExternalBridge.h"

#include <glib.h>
#include <json/json.h>
#include <sys/random.h>

#include <cerrno>
#include <exception>
#include <map>
#include <memory>
#include <stdexcept>

#include "platform/TextCodec.h"
#include "web/ImpIDispatch.h"

namespace {

using Params = std::map<std::string, std::string>;

std::optional<std::pair<std::string, Params>> SplitRequest(std::string_view uri) {
    GUri* parsed = g_uri_parse(std::string(uri).c_str(), G_URI_FLAGS_ENCODED_QUERY, nullptr);
    if (parsed == nullptr) {
        return std::nullopt;
    }
    const std::string host = g_uri_get_host(parsed) ? g_uri_get_host(parsed) : "";
    const std::string path = g_uri_get_path(parsed) ? g_uri_get_path(parsed) : "";
    const char* query = g_uri_get_query(parsed);
    GHashTable* table =
        query != nullptr ? g_uri_parse_params(query, -1, "&", G_URI_PARAMS_NONE, nullptr) : nullptr;
    g_uri_unref(parsed);
    if (host != "bridge" || (query != nullptr && table == nullptr)) {
        if (table != nullptr) {
            g_hash_table_unref(table);
        }
        return std::nullopt;
    }
    Params params;
    if (table != nullptr) {
        GHashTableIter it;
        gpointer key;
        gpointer value;
        g_hash_table_iter_init(&it, table);
        while (g_hash_table_iter_next(&it, &key, &value)) {
            params[static_cast<const char*>(key)] = static_cast<const char*>(value);
        }
        g_hash_table_unref(table);
    }
    return std::make_pair(path, params);
}

std::string Write(const Json::Value& value) {
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "";
    return Json::writeString(writer, value);
}

std::string Kind(const char* kind) {
    Json::Value answer;
    answer["kind"] = kind;
    return Write(answer);
}

std::optional<std::string> AnswerGet(CImpIDispatch& bridge, const Params& params) {
    const auto name = params.find("name");
    if (name == params.end()) {
        return std::nullopt;
    }
    std::vector<DISPID> ids;
    if (bridge.GetIDsOfNames({WideFromUtf8(name->second)}, ids) != S_OK) {
        return Kind("unknown");
    }
    CVariant result;
    bridge.Invoke(ids[0], DISPATCH_PROPERTYGET, {}, &result);
    Json::Value answer;
    if (result.IsString()) {
        answer["kind"] = "value";
        answer["value"] = Utf8FromWide(result.GetString());
    } else {
        answer["kind"] = "member";
        answer["id"] = ids[0];
    }
    return Write(answer);
}

std::optional<std::string> AnswerCall(CImpIDispatch& bridge, const Params& params) {
    const auto id = params.find("id");
    const auto args = params.find("args");
    if (id == params.end() || args == params.end()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const long dispId = std::strtol(id->second.c_str(), &end, 10);
    Json::Value list;
    Json::CharReaderBuilder builder;
    std::string errors;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    const std::string& text = args->second;
    bool parsed = false;
    try {
        parsed = reader->parse(text.data(), text.data() + text.size(), &list, &errors);
    } catch (const std::exception&) {
        // The reader throws instead of failing on very deep nesting.
    }
    if (id->second.empty() || *end != '\0' || !parsed || !list.isArray()) {
        return std::nullopt;
    }
    std::vector<CVariant> variants;
    for (const Json::Value& arg : list) {
        if (arg.isObject() && arg["type"] == "string" && arg["value"].isString()) {
            variants.emplace_back(WideFromUtf8(arg["value"].asString()));
        } else {
            variants.push_back(CVariant::MakeOther());
        }
    }
    bridge.Invoke(DISPID(dispId), DISPATCH_METHOD, variants, nullptr);
    return Kind("done");
}

// Compares in a time that does not depend on where the texts differ.
bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    unsigned char diff = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    }
    return diff == 0;
}

}  // namespace

std::string MakeBridgeKey() {
    unsigned char bytes[16];
    size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0 && errno != EINTR) {
            // No randomness means no way to tell the program's script from a
            // page: better no bridge at all.
            throw std::runtime_error("no random bytes for the bridge key");
        }
        got += n > 0 ? size_t(n) : 0;
    }
    std::string hex;
    for (const unsigned char b : bytes) {
        constexpr char kDigits[] = "0123456789abcdef";
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
}

std::optional<std::string> AnswerExternalRequest(CImpIDispatch& bridge, std::string_view uri,
                                                 std::string_view key) {
    const auto request = SplitRequest(uri);
    if (!request) {
        return std::nullopt;
    }
    const auto& [path, params] = *request;
    const auto given = params.find("key");
    if (key.empty() || given == params.end() || !SameText(given->second, key)) {
        return std::nullopt;
    }
    if (path == "/get") {
        return AnswerGet(bridge, params);
    }
    if (path == "/call") {
        return AnswerCall(bridge, params);
    }
    return std::nullopt;
}
