#include "platform/GamepadKeys.h"

namespace {

// The stick's axes among the sources; the D-pad's buttons are 0 to 3.
constexpr int kStickX = 4;
constexpr int kStickY = 5;

int DpadSource(EPadButton button) {
    switch (button) {
        case EPadButton::DpadUp:
            return 0;
        case EPadButton::DpadDown:
            return 1;
        case EPadButton::DpadLeft:
            return 2;
        case EPadButton::DpadRight:
            return 3;
        default:
            return -1;
    }
}

EPadKey DpadDirection(EPadButton button) {
    return button == EPadButton::DpadDown || button == EPadButton::DpadRight
               ? EPadKey::NextItem
               : EPadKey::PreviousItem;
}

}  // namespace

std::optional<EPadKey> CGamepadKeys::OnButton(EPadButton button, bool pressed, int64_t nowMs) {
    const int source = DpadSource(button);
    if (source >= 0) {
        return Hold(source, pressed ? std::optional(DpadDirection(button)) : std::nullopt, nowMs);
    }
    if (!pressed) {
        return std::nullopt;
    }
    // Another key ends a repeat, as on a keyboard.
    m_nHeldSource = -1;
    switch (button) {
        case EPadButton::South:
            return EPadKey::Activate;
        case EPadButton::East:
            return EPadKey::Cancel;
        default:
            return EPadKey::Keyboard;
    }
}

std::optional<EPadKey> CGamepadKeys::OnAxis(EPadAxis axis, int value, int64_t nowMs) {
    const int source = axis == EPadAxis::LeftX ? kStickX : kStickY;
    std::optional<EPadKey> direction = m_held[source];
    if (value >= kStickPushed) {
        direction = EPadKey::NextItem;
    } else if (value <= -kStickPushed) {
        direction = EPadKey::PreviousItem;
    } else if (value > -kStickBack && value < kStickBack) {
        direction.reset();
    }
    if (direction == m_held[source]) {
        return std::nullopt;
    }
    if (m_held[source]) {
        Hold(source, std::nullopt, nowMs);  // flipped across: let go first
    }
    return Hold(source, direction, nowMs);
}

std::optional<EPadKey> CGamepadKeys::OnTime(int64_t nowMs) {
    if (m_nHeldSource < 0 || nowMs < m_nNextRepeatMs) {
        return std::nullopt;
    }
    m_nNextRepeatMs += kRepeatMs;
    if (m_nNextRepeatMs <= nowMs) {
        m_nNextRepeatMs = nowMs + kRepeatMs;
    }
    return m_held[m_nHeldSource];
}

std::optional<EPadKey> CGamepadKeys::Hold(int source, std::optional<EPadKey> direction,
                                          int64_t nowMs) {
    const std::optional<EPadKey> was = m_held[source];
    m_held[source] = direction;
    if (direction) {
        // A second control pushed the way the first already repeats takes
        // the repeat over without a press of its own.
        const bool same = m_nHeldSource >= 0 && m_held[m_nHeldSource] == direction;
        m_nHeldSource = source;
        if (same) {
            return std::nullopt;
        }
        m_nNextRepeatMs = nowMs + kFirstRepeatMs;
        return direction;
    }
    if (source != m_nHeldSource) {
        return std::nullopt;
    }
    // Let go: the repeat stops, unless another control still holds the
    // same way.
    m_nHeldSource = -1;
    for (int other = 0; other < kSources; ++other) {
        if (m_held[other] == was) {
            m_nHeldSource = other;
        }
    }
    return std::nullopt;
}
