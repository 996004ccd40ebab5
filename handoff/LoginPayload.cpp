#include "handoff/LoginPayload.h"

#include <json/reader.h>
#include <json/value.h>

#include <exception>

namespace {

// The members in the order they are read.
constexpr const char* kMembers[] = {"uid", "token", "server_id", "other", "sign"};

}  // namespace

PayloadResult ParseLoginPayload(const std::string& narrowJson) {
    Json::Value root;
    // The classic reader is the one whose defaults the portal's payloads have
    // always been read with: comments allowed and collected, any root.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    Json::Reader reader;
#pragma GCC diagnostic pop
    bool parsed = false;
    try {
        parsed = reader.parse(narrowJson, root, true);
    } catch (const std::exception& e) {
        // The reader throws instead of failing on very deep nesting.
        return {std::nullopt, std::string("not JSON: ") + e.what()};
    }
    if (!parsed) {
        return {std::nullopt, "not JSON"};
    }
    if (!root.isObject()) {
        return {std::nullopt, "the root is not an object"};
    }
    std::string values[std::size(kMembers)];
    for (size_t i = 0; i < std::size(kMembers); ++i) {
        const Json::Value* member =
            root.find(kMembers[i], kMembers[i] + std::char_traits<char>::length(kMembers[i]));
        if (member == nullptr) {
            return {std::nullopt, std::string("no member \"") + kMembers[i] + "\""};
        }
        if (!member->isString()) {
            return {std::nullopt, std::string("member \"") + kMembers[i] + "\" is not a string"};
        }
        // Copied as a zero-terminated text, so an escaped zero ends the value.
        values[i] = member->asCString();
    }
    return {LoginFields{values[0], values[1], values[2], values[3], values[4]}, {}};
}
