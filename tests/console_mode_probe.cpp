// Reports the console input mode before and after the key wait, for the console test.
#include <cstdio>

#include "dialogue/wait_for_key.h"
#include "dialogue/wait_for_key_windows.h"

namespace {

DWORD console_input_mode() {
    const HANDLE console =
        CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD mode = 0;
    GetConsoleMode(console, &mode);
    CloseHandle(console);
    return mode;
}

}  // namespace

int main() {
    std::printf("mode before: %lu\n", static_cast<unsigned long>(console_input_mode()));
    std::fflush(stdout);
    wait_for_key();
    std::printf("mode after: %lu\n", static_cast<unsigned long>(console_input_mode()));
    return 0;
}
