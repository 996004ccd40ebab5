#include "web/WebBrowser2.h"

#include <json/json.h>

#include <memory>

#include "platform/TextCodec.h"
#include "web/CustomControlSite.h"

namespace {

std::string Utf8Json(const Json::Value& value) {
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "";
    writer["emitUTF8"] = true;
    return Json::writeString(writer, value);
}

bool ParseJson(const std::string& text, Json::Value& value) {
    Json::CharReaderBuilder reader;
    std::string errors;
    const std::unique_ptr<Json::CharReader> parser(reader.newCharReader());
    return parser->parse(text.data(), text.data() + text.size(), &value, &errors);
}

}  // namespace

CHtmlDocument::CHtmlDocument(const CCustomControlSite& site) : m_pSite(&site) {}

void CHtmlDocument::GetLinkTargets(std::function<void(std::vector<std::u16string>)> done) const {
    m_pSite->RunScript("tharnvaleLinks.hrefs()", [done = std::move(done)](const std::string& json) {
        Json::Value hrefs;
        std::vector<std::u16string> targets;
        if (ParseJson(json, hrefs) && hrefs.isArray()) {
            for (const Json::Value& href : hrefs) {
                targets.push_back(href.isString() ? WideFromUtf8(href.asString())
                                                  : std::u16string());
            }
        }
        done(std::move(targets));
    });
}

void CHtmlDocument::SubscribeLinks(const std::vector<LinkSubscription>& links,
                                   std::function<void(std::vector<uint32_t>)> done) const {
    Json::Value entries(Json::arrayValue);
    for (const LinkSubscription& link : links) {
        Json::Value entry(Json::arrayValue);
        entry.append(Json::UInt64(link.position));
        entry.append(Utf8FromWide(link.href));
        entry.append(link.cookie);
        entries.append(entry);
    }
    m_pSite->RunScript("tharnvaleLinks.subscribe(" + Utf8Json(entries) + ")",
                       [done = std::move(done)](const std::string& json) {
                           Json::Value made;
                           std::vector<uint32_t> cookies;
                           if (ParseJson(json, made) && made.isArray()) {
                               for (const Json::Value& cookie : made) {
                                   if (cookie.isUInt()) {
                                       cookies.push_back(cookie.asUInt());
                                   }
                               }
                           }
                           done(std::move(cookies));
                       });
}

void CHtmlDocument::UnsubscribeLinks(const std::vector<uint32_t>& cookies) const {
    Json::Value list(Json::arrayValue);
    for (const uint32_t cookie : cookies) {
        list.append(cookie);
    }
    m_pSite->RunScript("tharnvaleLinks.unsubscribe(" + Utf8Json(list) + ")",
                       [](const std::string&) {});
}

void CWebBrowser2::Navigate(const std::u16string& url) {
    if (m_pSite != nullptr) {
        m_pSite->Navigate(Utf8FromWide(url));
    }
}

std::optional<CHtmlDocument> CWebBrowser2::GetDocument() const {
    if (m_pSite == nullptr || !m_pSite->HasPage()) {
        return std::nullopt;
    }
    return CHtmlDocument(*m_pSite);
}
