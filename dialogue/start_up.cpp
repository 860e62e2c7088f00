#include "dialogue/start_up.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef _WIN32
// A process has one console, and a handle is on it where it has a console mode.
OnScreen streams_on_screen() {
    const auto on_console = [](DWORD handle) {
        DWORD mode = 0;
        return GetConsoleMode(GetStdHandle(handle), &mode) != 0;
    };
    return {on_console(STD_INPUT_HANDLE), on_console(STD_OUTPUT_HANDLE),
            on_console(STD_ERROR_HANDLE)};
}
#else
namespace {

// The terminal device that descriptor is open on, or 0.
dev_t terminal_of(int descriptor) {
    struct stat status;
    return isatty(descriptor) == 1 && fstat(descriptor, &status) == 0 ? status.st_rdev : 0;
}

}  // namespace

OnScreen streams_on_screen() {
    const dev_t input = terminal_of(STDIN_FILENO);
    const dev_t output = terminal_of(STDOUT_FILENO);
    const dev_t screen = input != 0 ? input : output;
    const dev_t errors = terminal_of(STDERR_FILENO);
    return {input != 0, screen != 0 && output == screen, screen != 0 && errors == screen};
}
#endif
