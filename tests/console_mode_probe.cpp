// Reports the console input mode before and after the key wait, and the input events the wait
// left unread, for the console test.
#include <cstdio>

#include "dialogue/platform.h"
#include "dialogue/windows/key_events.h"

namespace {

void report_console_input(const char* when) {
    const HANDLE console =
        CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD mode = 0;
    DWORD events = 0;
    GetConsoleMode(console, &mode);
    GetNumberOfConsoleInputEvents(console, &events);
    CloseHandle(console);
    std::printf("mode %s: %lu, events left: %lu\n", when, static_cast<unsigned long>(mode),
                static_cast<unsigned long>(events));
    static_cast<void>(std::fflush(stdout));
}

}  // namespace

int main() {
    report_console_input("before");
    wait_for_key();
    report_console_input("after");
    std::puts("done");
    return 0;
}
