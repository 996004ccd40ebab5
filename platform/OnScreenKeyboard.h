#pragma once

// The handheld's on-screen keyboard. Steam shows it for any program that
// opens its address, steam://open/keyboard, through the desktop's handler of
// the steam scheme (Steam's own desktop entry); nothing else of Steam's is
// needed, and where no handler is registered nothing shows.

#include <cstdint>

// Asks for the on-screen keyboard. A request within a second of the last
// one that was sent is dropped: a field that takes the keyboard again and
// again asks once. A failure is one line on stderr.
void ShowOnScreenKeyboard();

// The one-a-second rule, over times it is given (milliseconds on one steady
// clock).
class COnScreenKeyboardRequests {
public:
    // True: send this request.
    bool Allow(int64_t nowMs);

    static constexpr int64_t kQuietMs = 1000;

private:
    int64_t m_nLastMs = 0;
    bool m_bSent = false;
};
