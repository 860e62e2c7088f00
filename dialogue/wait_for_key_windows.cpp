// The key wait on the Windows console: key events read from CONIN$ with every input mode off.
#include "dialogue/wait_for_key_windows.h"

#include <windows.h>

#include "dialogue/wait_for_key.h"

namespace {

bool is_extended_key(WORD virtual_key) {
    return (virtual_key >= VK_PRIOR && virtual_key <= VK_DOWN) || virtual_key == VK_INSERT ||
           virtual_key == VK_DELETE || (virtual_key >= VK_F1 && virtual_key <= VK_F12);
}

}  // namespace

bool ends_wait(const INPUT_RECORD& event) {
    if (event.EventType != KEY_EVENT || !event.Event.KeyEvent.bKeyDown) {
        return false;
    }
    return event.Event.KeyEvent.uChar.AsciiChar != 0 ||
           is_extended_key(event.Event.KeyEvent.wVirtualKeyCode);
}

void wait_for_key() {
    const HANDLE console =
        CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD saved_mode = 0;
    const bool mode_saved = GetConsoleMode(console, &saved_mode) != 0;
    // No line input, no echo, no processed input: every key arrives as an event.
    SetConsoleMode(console, 0);

    INPUT_RECORD event = {};
    DWORD events_read = 0;
    while (ReadConsoleInputA(console, &event, 1, &events_read) && events_read == 1 &&
           !ends_wait(event)) {
    }

    if (mode_saved) {
        SetConsoleMode(console, saved_mode);
    }
    CloseHandle(console);
}

// The console hands typed input to the program only when Enter has moved the cursor to a new
// line, Ctrl+Z included, so the input never ends mid-line on the screen.
bool typed_input_can_end_mid_line() {
    return false;
}
