// The key wait on the Windows console: key events read from CONIN$ with every input mode off.
#include <windows.h>

#include "console.h"
#include "dialogue/platform.h"
#include "key_events.h"

namespace {

void discard_until_quiet(HANDLE console) {
    do {
        FlushConsoleInputBuffer(console);
    } while (WaitForSingleObject(console, quiet_gap_ms) == WAIT_OBJECT_0);
}

}  // namespace

void wait_for_key() {
    // Where the result did not go to the console (a file, a pipe) there is nothing on the screen
    // to wait over.
    if (!on_console(STD_OUTPUT_HANDLE)) {
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
