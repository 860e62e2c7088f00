#include "terminal.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

dev_t terminal_of(int descriptor) {
    struct stat status;
    return isatty(descriptor) == 1 && fstat(descriptor, &status) == 0 ? status.st_rdev : 0;
}

OnScreen streams_on_screen() {
    const dev_t input = terminal_of(STDIN_FILENO);
    const dev_t output = terminal_of(STDOUT_FILENO);
    const dev_t screen = input != 0 ? input : output;
    const dev_t errors = terminal_of(STDERR_FILENO);
    return {input != 0, screen != 0 && output == screen, screen != 0 && errors == screen};
}

ScreenSize screen_size(int descriptor) {
    winsize size = {};
    if (ioctl(descriptor, TIOCGWINSZ, &size) != 0) {
        return {};
    }
    return {size.ws_col, size.ws_row};
}

int open_terminal(int access) {
    return open("/dev/tty", access | O_NOCTTY | O_CLOEXEC);
}
