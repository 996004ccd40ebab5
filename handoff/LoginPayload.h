#pragma once

// The JSON text that the login page passes to window.external.AppLogin.

#include <optional>
#include <string>

// The five members the hand-off uses, each as the narrow text the JSON
// reader returns, cut at its first zero character.
struct LoginFields {
    std::string uid;
    std::string token;
    std::string serverId;
    std::string other;
    std::string sign;
};

struct PayloadResult {
    std::optional<LoginFields> fields;
    std::string problem;  // why there are no fields; empty when there are
};

// Parses a narrow JSON text with comments allowed and no strict root. A text
// that does not parse, a root that is not an object, or a root that lacks one
// of the five members or holds a non-string in one, gives no fields.
PayloadResult ParseLoginPayload(const std::string& narrowJson);
