// Which console events end the Windows key wait. Wine cannot send a modifier key alone, nor
// most of these events, from a terminal, so they are checked here one by one.
#include <gtest/gtest.h>

#include "dialogue/windows/key_events.h"

namespace {

INPUT_RECORD key_event(bool key_down, WORD virtual_key, char character, DWORD modifiers = 0) {
    INPUT_RECORD event = {};
    event.EventType = KEY_EVENT;
    event.Event.KeyEvent.bKeyDown = key_down;
    event.Event.KeyEvent.wRepeatCount = 1;
    event.Event.KeyEvent.wVirtualKeyCode = virtual_key;
    event.Event.KeyEvent.uChar.AsciiChar = character;
    event.Event.KeyEvent.dwControlKeyState = modifiers;
    return event;
}

INPUT_RECORD event_of_type(WORD type) {
    INPUT_RECORD event = {};
    event.EventType = type;
    return event;
}

TEST(KeyFilter, KeysThatEndTheWait) {
    const INPUT_RECORD events[] = {
        key_event(true, VK_RETURN, '\r'),
        key_event(true, 'X', 'x'),
        key_event(true, 'X', 'X', SHIFT_PRESSED),
        key_event(true, 'C', '\x03', LEFT_CTRL_PRESSED),
        key_event(true, VK_ESCAPE, '\x1b'),
        key_event(true, VK_ESCAPE, 0),  // as Wine's console sends it
        key_event(true, VK_SPACE, ' '),
        key_event(true, VK_UP, 0, ENHANCED_KEY),
        key_event(true, VK_PRIOR, 0, ENHANCED_KEY),
        key_event(true, VK_HOME, 0, ENHANCED_KEY),
        key_event(true, VK_INSERT, 0, ENHANCED_KEY),
        key_event(true, VK_DELETE, 0, ENHANCED_KEY | LEFT_CTRL_PRESSED),
        key_event(true, VK_F1, 0),
        key_event(true, VK_F5, 0, SHIFT_PRESSED),
        key_event(true, VK_F12, 0, LEFT_ALT_PRESSED),
    };
    for (const INPUT_RECORD& event : events) {
        EXPECT_TRUE(ends_wait(event)) << "virtual key " << event.Event.KeyEvent.wVirtualKeyCode;
    }
}

TEST(KeyFilter, EventsThatDoNot) {
    const INPUT_RECORD events[] = {
        key_event(false, 'X', 'x'),
        key_event(false, VK_RETURN, '\r'),
        key_event(false, VK_UP, 0, ENHANCED_KEY),
        key_event(true, VK_SHIFT, 0, SHIFT_PRESSED),
        key_event(true, VK_CONTROL, 0, LEFT_CTRL_PRESSED),
        key_event(true, VK_MENU, 0, LEFT_ALT_PRESSED),
        key_event(true, VK_CAPITAL, 0, CAPSLOCK_ON),
        key_event(true, VK_NUMLOCK, 0, NUMLOCK_ON),
        key_event(true, VK_LWIN, 0),
        key_event(true, VK_F13, 0),
        event_of_type(MOUSE_EVENT),
        event_of_type(WINDOW_BUFFER_SIZE_EVENT),
        event_of_type(FOCUS_EVENT),
        event_of_type(MENU_EVENT),
    };
    for (const INPUT_RECORD& event : events) {
        EXPECT_FALSE(ends_wait(event)) << "event type " << event.EventType << ", virtual key "
                                       << event.Event.KeyEvent.wVirtualKeyCode;
    }
}

}  // namespace
