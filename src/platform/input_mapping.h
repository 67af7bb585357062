#pragma once

#include <cstdint>

#include <Qt>

namespace trivane {

// The virtual-key code the handlers expect for a Qt key, or 0 for a key that
// has none here (it still counts as a press: onKey sets keyHeld for any code).
int32_t virtualKeyCode(int qtKey);

// Keys that the classic window procedure never saw as plain key messages:
// Alt, F10 and anything pressed with Alt held went to the menu instead.
bool isMenuKey(int qtKey, Qt::KeyboardModifiers modifiers);

// The raw 32-bit wheel word: the signed delta (120 a notch) in the high 16
// bits, the button and modifier state bits in the low 16.
int32_t wheelWord(int delta, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

// State bits of the low word.
constexpr uint32_t kWheelLeftButton = 0x0001;
constexpr uint32_t kWheelRightButton = 0x0002;
constexpr uint32_t kWheelShift = 0x0004;
constexpr uint32_t kWheelControl = 0x0008;
constexpr uint32_t kWheelMiddleButton = 0x0010;
constexpr uint32_t kWheelBackButton = 0x0020;
constexpr uint32_t kWheelForwardButton = 0x0040;

}  // namespace trivane
