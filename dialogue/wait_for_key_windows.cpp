// The key wait on the Windows console: key events read from CONIN$ with every input mode off.
#include "dialogue/wait_for_key_windows.h"

#include <windows.h>

#include "dialogue/wait_for_key.h"

namespace {

// Escape is among them: Wine's console sends it with no character.
bool is_extended_key(WORD virtual_key) {
    return (virtual_key >= VK_PRIOR && virtual_key <= VK_DOWN) || virtual_key == VK_INSERT ||
           virtual_key == VK_DELETE || (virtual_key >= VK_F1 && virtual_key <= VK_F12) ||
           virtual_key == VK_ESCAPE;
}

void discard_until_quiet(HANDLE console) {
    const ULONGLONG deadline = GetTickCount64() + discard_limit_ms;
    do {
        FlushConsoleInputBuffer(console);
    } while (GetTickCount64() < deadline &&
             WaitForSingleObject(console, quiet_gap_ms) == WAIT_OBJECT_0);
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
    // Where the result did not go to the console (a file, a pipe) there is nothing on the screen
    // to wait over.
    DWORD output_mode = 0;
    if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &output_mode)) {
        return;
    }
    const HANDLE console =
        CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD saved_mode = 0;
    const bool mode_saved = GetConsoleMode(console, &saved_mode) != 0;
    // Keys pressed before the result was shown are no answer to it. Then no line input, no
    // echo, no processed input: every key arrives as an event.
    FlushConsoleInputBuffer(console);
    SetConsoleMode(console, 0);

    INPUT_RECORD event = {};
    DWORD events_read = 0;
    bool key_read = false;
    while (!key_read && ReadConsoleInputA(console, &event, 1, &events_read) && events_read == 1) {
        key_read = ends_wait(event);
    }
    if (key_read) {
        discard_until_quiet(console);
    }

    if (mode_saved) {
        SetConsoleMode(console, saved_mode);
    }
    CloseHandle(console);
    if (key_read) {
        // The key is not echoed; a line end puts the command prompt's next line on a fresh line.
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "\r\n", 2, &written, nullptr);
    }
}
