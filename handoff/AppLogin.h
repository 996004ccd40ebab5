#pragma once

#include <string>

#include "handoff/HandoffSequence.h"

// The script route of the login: what happens to the text a page passes to
// window.external.AppLogin. Logs the text, parses it, builds the launch
// argument string from its members, logs the credential part and runs the
// hand-off. A text that gives no login is logged and otherwise ignored, so
// the page may call again.
void HandleAppLogin(const std::u16string& json, const CHandoffSequence& handoff);
