#include "platform/input_mapping.h"

#include <algorithm>

#include "ui/key_codes.h"

namespace trivane {

int32_t virtualKeyCode(int qtKey) {
    // Letters and digits share their codes with ASCII upper case in both worlds.
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return static_cast<int32_t>(qtKey);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return static_cast<int32_t>(qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return 0x70 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
        case Qt::Key_Space: return keys::kSpace;
        case Qt::Key_PageUp: return keys::kPageUp;
        case Qt::Key_PageDown: return keys::kPageDown;
        case Qt::Key_End: return 35;
        case Qt::Key_Home: return 36;
        case Qt::Key_Left: return keys::kLeft;
        case Qt::Key_Up: return keys::kUp;
        case Qt::Key_Right: return keys::kRight;
        case Qt::Key_Down: return keys::kDown;
        case Qt::Key_Insert: return 45;
        case Qt::Key_Delete: return 46;
        case Qt::Key_Backspace: return 8;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: return 9;
        case Qt::Key_Return:
        case Qt::Key_Enter: return 13;
        case Qt::Key_Shift: return 16;
        case Qt::Key_Control: return 17;
        case Qt::Key_Pause: return 19;
        case Qt::Key_CapsLock: return 20;
        case Qt::Key_Escape: return 27;
        default: return 0;
    }
}

bool isMenuKey(int qtKey, Qt::KeyboardModifiers modifiers) {
    return qtKey == Qt::Key_Alt || qtKey == Qt::Key_AltGr || qtKey == Qt::Key_F10 ||
           modifiers.testFlag(Qt::AltModifier);
}

int32_t wheelWord(int delta, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    // The delta field is 16 bits wide; a burst larger than that saturates
    // rather than wrapping into the opposite direction.
    const int32_t clamped = std::clamp(delta, -32768, 32767);
    uint32_t low = 0;
    if (buttons.testFlag(Qt::LeftButton)) low |= kWheelLeftButton;
    if (buttons.testFlag(Qt::RightButton)) low |= kWheelRightButton;
    if (modifiers.testFlag(Qt::ShiftModifier)) low |= kWheelShift;
    if (modifiers.testFlag(Qt::ControlModifier)) low |= kWheelControl;
    if (buttons.testFlag(Qt::MiddleButton)) low |= kWheelMiddleButton;
    if (buttons.testFlag(Qt::BackButton)) low |= kWheelBackButton;
    if (buttons.testFlag(Qt::ForwardButton)) low |= kWheelForwardButton;
    const uint32_t high = static_cast<uint32_t>(static_cast<uint16_t>(static_cast<int16_t>(clamped)));
    return static_cast<int32_t>((high << 16) | low);
}

}  // namespace trivane
