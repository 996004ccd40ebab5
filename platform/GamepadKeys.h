#pragma once

// What a gamepad means to the program: the keys a player would press
// instead. The D-pad and the left stick move through the page's fields and
// the program's buttons (down and right as Tab, up and left as Shift+Tab),
// repeating while held as a keyboard repeats; A (south) presses what has the
// keyboard, B (east) cancels, Y (north) asks for the on-screen keyboard.
// Pure bookkeeping over the times it is given, so that the rules can be
// checked without a pad or a clock; platform/gtk/GamepadGtk.cpp reads the
// pads and delivers the keys.

#include <array>
#include <cstdint>
#include <optional>

// The pad's controls that mean something here, by their place on a
// standard pad (south is A on an Xbox pad, cross on a PlayStation one).
enum class EPadButton { South, East, North, DpadUp, DpadDown, DpadLeft, DpadRight };
enum class EPadAxis { LeftX, LeftY };

// What the player asks for.
enum class EPadKey {
    NextItem,      // Tab
    PreviousItem,  // Shift+Tab
    Activate,      // Return
    Cancel,        // Escape
    Keyboard,      // the handheld's on-screen keyboard
};

class CGamepadKeys {
public:
    // Times are milliseconds on one steady clock.
    std::optional<EPadKey> OnButton(EPadButton button, bool pressed, int64_t nowMs);
    // `value` from -32768 (left, up) to 32767 (right, down).
    std::optional<EPadKey> OnAxis(EPadAxis axis, int value, int64_t nowMs);
    // The repeat of a held direction that is due by `nowMs`; one at most,
    // however late the caller is, as a keyboard never repeats in bursts.
    std::optional<EPadKey> OnTime(int64_t nowMs);
    // The pads are gone: nothing they held goes on repeating.
    void Reset() { *this = CGamepadKeys(); }
    bool IsRepeating() const { return m_nHeldSource >= 0; }

    static constexpr int64_t kFirstRepeatMs = 400;
    static constexpr int64_t kRepeatMs = 120;
    // The stick counts as pushed past half its travel, and as back only
    // under a quarter: a worn stick resting off-centre, or one held near
    // the threshold, does not chatter.
    static constexpr int kStickPushed = 16384;
    static constexpr int kStickBack = 8192;

private:
    // The four D-pad buttons, then the stick's two axes: each holds a
    // direction or none.
    static constexpr int kSources = 6;
    std::optional<EPadKey> Hold(int source, std::optional<EPadKey> direction, int64_t nowMs);

    std::array<std::optional<EPadKey>, kSources> m_held{};
    int m_nHeldSource = -1;  // the source whose direction repeats, or -1
    int64_t m_nNextRepeatMs = 0;
};
