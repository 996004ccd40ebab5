#include "web/CallbackAddress.h"

#include "handoff/LaunchArgs.h"
#include "platform/TextCodec.h"

namespace {

constexpr std::u16string_view kCodeCallbackMarker = u"plumoqx/codeCallback.htm?code=";
constexpr std::u16string_view kNeedCodeMarker = u"needCode=";
constexpr std::u16string_view kQueryCallbackMarker = u"baidu/codeCallback.htm?";

}  // namespace

std::vector<std::string> SplitText(std::string_view text, std::string_view delimiter) {
    std::vector<std::string> pieces;
    size_t start = text.find_first_not_of(delimiter);
    if (start == std::string_view::npos) {
        return pieces;
    }
    while (true) {
        // Searching for an empty delimiter would find it in place forever.
        const size_t found =
            delimiter.empty() ? std::string_view::npos : text.find(delimiter, start);
        const std::string_view piece =
            text.substr(start, found == std::string_view::npos ? found : found - start);
        if (!piece.empty()) {
            pieces.emplace_back(piece);
        }
        if (found == std::string_view::npos) {
            return pieces;
        }
        start = found + delimiter.size();
    }
}

bool IsCodeCallback(std::u16string_view address) {
    return address.find(kCodeCallbackMarker) != std::u16string_view::npos &&
           address.find(kNeedCodeMarker) == std::u16string_view::npos;
}

bool IsQueryCallback(std::u16string_view address) {
    return address.find(kQueryCallbackMarker) != std::u16string_view::npos;
}

std::optional<std::u16string> QueryCallbackLaunchArgs(std::u16string_view address) {
    // The parameters are read from the narrow text, so a character the
    // locale's charset cannot represent arrives as "?" and splits like one.
    const std::string narrow = Narrow(address);
    const std::vector<std::string> parts = SplitText(narrow, "?");
    // Nothing after the first run of "?": the page handed back no query at
    // all, not even an empty one. A hand-off cannot be taken back (it starts
    // the game launcher and ends the program), so it waits for an address
    // that carries one; the login page stays usable meanwhile.
    if (parts.size() < 2) {
        return std::nullopt;
    }

    std::string userId;
    std::string token;
    std::string serverId;
    const std::string other = "0";
    std::string sign;
    for (const std::string& parameter : SplitText(parts[1], "&")) {
        const std::vector<std::string> nameValue = SplitText(parameter, "=");
        // An empty value or an "=" inside the value gives no usable pair.
        if (nameValue.size() != 2) {
            continue;
        }
        const std::string& name = nameValue[0];
        const std::string& value = nameValue[1];
        if (name == "user_id") {
            userId = value;
        } else if (name == "server_id") {
            serverId = value;
        } else if (name == "token") {
            // Tokens may end in "=" padding, which the split has eaten: give
            // one back when the address shows the value followed by one.
            const std::string padded = value + '=';
            token = narrow.find(padded) != std::string::npos ? padded : value;
        } else if (name == "sign") {
            sign = value;
        }
    }
    return BuildLaunchArgs(Widen(userId), BuildCredentialTail(Widen(token), Widen(serverId),
                                                              Widen(other), Widen(sign)));
}
