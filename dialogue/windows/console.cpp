#include "console.h"

bool on_console(DWORD standard_handle) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(standard_handle), &mode) != 0;
}

OnScreen streams_on_screen() {
    return {on_console(STD_INPUT_HANDLE), on_console(STD_OUTPUT_HANDLE),
            on_console(STD_ERROR_HANDLE)};
}
