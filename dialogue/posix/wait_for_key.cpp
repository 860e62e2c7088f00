// The key wait on a POSIX terminal: /dev/tty in a mode with echo, line input and the signal
// keys off, held through the terminal mode that the line editing uses too.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstddef>

#include "dialogue/platform.h"
#include "terminal.h"
#include "terminal_mode_and_signals.h"

namespace {

// Key mode: echo, line input, the signal keys and flow control off, so that any one key,
// Ctrl+C included, is read as soon as it is pressed and is not shown.
void set_key_mode(termios& settings) {
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | ISIG | IEXTEN);
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
}

// Reads what has come, waiting at most time_limit milliseconds for it (or without limit); after
// a stop, the final prompt shows again. False when nothing came in time, or the wait cannot go
// on.
bool read_keys(int terminal, unsigned char* keys, std::size_t capacity, int time_limit) {
    std::size_t got = 0;
    TerminalRead read = TerminalRead::continued_after_stop;
    while ((read = read_terminal(keys, capacity, time_limit, got)) ==
           TerminalRead::continued_after_stop) {
        const char again[] = "\r\x1b[K";
        static_cast<void>(write(terminal, again, sizeof again - 1));
        static_cast<void>(write(terminal, final_prompt, sizeof final_prompt - 1));
    }
    return read == TerminalRead::arrived;
}

// The rest of the key, and whatever is typed or pasted after it, up to a quiet gap: a paste of
// any length is taken whole.
void discard_until_quiet(int terminal) {
    unsigned char keys[4096];
    while (read_keys(terminal, keys, sizeof keys, quiet_gap_ms)) {
    }
    tcflush(terminal, TCIFLUSH);
}

}  // namespace

void wait_for_key() {
    // Where the result did not go to the terminal (a file, a pipe, a pager) there is nothing on
    // the screen to wait over, and the terminal may be another program's to use.
    if (terminal_of(STDOUT_FILENO) == 0) {
        return;
    }
    const int terminal = open_terminal(O_RDWR);
    if (terminal < 0) {
        return;
    }
    // Keys pressed before the result was shown are no answer to it. A key may send several
    // bytes (an arrow, a function key, a UTF-8 character): they come together, and the discard
    // after the first byte takes the rest with it.
    unsigned char first[64];
    const bool key_read = take_terminal(terminal, set_key_mode, true, false) &&
                          read_keys(terminal, first, sizeof first, no_time_limit);
    if (key_read) {
        discard_until_quiet(terminal);
    }
    give_terminal_back();
    if (key_read) {
        // The key is not echoed; a line end puts the shell's next prompt on a fresh line.
        const ssize_t written = write(terminal, "\n", 1);
        static_cast<void>(written);
    }
    close(terminal);
}
