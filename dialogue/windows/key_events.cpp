#include "key_events.h"

namespace {

// Escape is among them: Wine's console sends it with no character.
bool is_extended_key(WORD virtual_key) {
    return (virtual_key >= VK_PRIOR && virtual_key <= VK_DOWN) || virtual_key == VK_INSERT ||
           virtual_key == VK_DELETE || (virtual_key >= VK_F1 && virtual_key <= VK_F12) ||
           virtual_key == VK_ESCAPE;
}

}  // namespace

bool ends_wait(const INPUT_RECORD& event) {
    if (event.EventType != KEY_EVENT || !event.Event.KeyEvent.bKeyDown) {
        return false;
    }
    return event.Event.KeyEvent.uChar.AsciiChar != 0 ||
           is_extended_key(event.Event.KeyEvent.wVirtualKeyCode);
}
