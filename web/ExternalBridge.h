#pragma once

// The wire between the script that stands for window.external in every page
// and the script bridge in the program. The page script asks, synchronously,
// by loading an address of the bridge's own scheme:
//   .../get?key=<key>&name=<member name>          what a member is
//   .../call?key=<key>&id=<id>&args=<JSON array>  call a member; each argument is
//                                       {"type": "string", "value": ...} or
//                                       {"type": <another JavaScript type>}
// and gets JSON back: {"kind": "unknown"}, {"kind": "value", "value": ...},
// {"kind": "member", "id": ...} or {"kind": "done"}. Every rule (which names
// exist, what they do) is the bridge's; the page script only relays.

#include <optional>
#include <string>
#include <string_view>

class CImpIDispatch;

// The key is a secret of this run that only the program's own bridge script
// knows: any page can make the engine load an address of the scheme (an
// image, a style sheet, a frame with scripts disabled), and none of those may
// reach the bridge.
//
// The answer to one request, or none for anything that is not a bridge call
// carrying `key`.
std::optional<std::string> AnswerExternalRequest(CImpIDispatch& bridge, std::string_view uri,
                                                 std::string_view key);

// A new key: 128 random bits, in hex.
std::string MakeBridgeKey();
