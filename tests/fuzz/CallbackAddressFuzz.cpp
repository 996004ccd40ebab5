// The address of a page the login window finished loading, as the browser
// reports it (UTF-8, widened), on its way to the launch argument string; and
// the text splitting that reads a query callback's parameters, with any
// delimiter.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TextCodec.h"
#include "tests/fuzz/FuzzSupport.h"
#include "web/CallbackAddress.h"

namespace {

std::string Join(const std::vector<std::string>& pieces, std::string_view delimiter) {
    std::string text;
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (i != 0) {
            text += delimiter;
        }
        text += pieces[i];
    }
    return text;
}

// The first byte gives the delimiter's length (0 to 3), the delimiter
// follows, and the rest is the text.
void FuzzSplitText(std::string_view bytes) {
    if (bytes.empty()) {
        return;
    }
    const size_t length = std::min<size_t>(uint8_t(bytes[0]) % 4, bytes.size() - 1);
    const std::string_view delimiter = bytes.substr(1, length);
    const std::string_view text = bytes.substr(1 + length);
    const std::vector<std::string> pieces = SplitText(text, delimiter);

    if (delimiter.empty()) {
        FUZZ_EXPECT(pieces == (text.empty() ? std::vector<std::string>{}
                                            : std::vector<std::string>{std::string(text)}),
                    "an empty delimiter leaves the text whole");
        return;
    }
    size_t pos = 0;
    for (const std::string& piece : pieces) {
        FUZZ_EXPECT(!piece.empty(), "empty pieces are dropped");
        FUZZ_EXPECT(piece.find(delimiter) == std::string::npos, "no piece holds the delimiter");
        pos = text.find(piece, pos);
        FUZZ_EXPECT(pos != std::string_view::npos, "the pieces are parts of the text, in order");
        pos += piece.size();
    }
    // Pieces joined by the delimiter split into the same pieces again.
    FUZZ_EXPECT(SplitText(Join(pieces, delimiter), delimiter) == pieces,
                "joining and splitting again gives the same pieces");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    FuzzSplitText(bytes);

    // As the login window reacts to a completed navigation.
    const std::u16string address = WideFromUtf8(bytes);
    const bool code = IsCodeCallback(address);
    const bool query = IsQueryCallback(address);
    // Any address is read, not only query callbacks: the reading must hold
    // for whatever text it is given.
    const std::optional<std::u16string> args = QueryCallbackLaunchArgs(address);
    if (args) {
        FUZZ_EXPECT(args->starts_with(u" ,id^"), "the launch arguments start with the user id");
        // The parameters are split at "&", so no value brings one of its own.
        FUZZ_EXPECT(std::count(args->begin(), args->end(), u'&') == 3,
                    "the credential tail has exactly four parts");
    }
    if (code) {
        HandOverLaunchArgs(address);
    } else if (query && args) {
        HandOverLaunchArgs(*args);
    }
    return 0;
}
