// The key wait on a POSIX terminal: /dev/tty with echo, line input and the signal keys off.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>

#include "dialogue/wait_for_key.h"

namespace {

// Kept at file scope so that a signal handler can put the terminal back.
int terminal = -1;
termios saved_settings;

constexpr int ending_signals[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT};
struct sigaction saved_actions[std::size(ending_signals)];

// The bytes of one key arrive together; a gap this long (milliseconds) means the key is complete.
constexpr int key_byte_gap = 100;
constexpr int no_time_limit = -1;

void restore_terminal_and_end(int signal_number) {
    tcsetattr(terminal, TCSANOW, &saved_settings);
    // SA_RESETHAND made the default action current again, and it ends the process.
    raise(signal_number);
}

// Signals that end the process during the wait restore the terminal first. A signal the
// process was told to ignore stays ignored.
void restore_terminal_on_signals() {
    struct sigaction restoring = {};
    restoring.sa_handler = restore_terminal_and_end;
    restoring.sa_flags = static_cast<int>(SA_RESETHAND | SA_NODEFER);
    sigemptyset(&restoring.sa_mask);
    for (std::size_t i = 0; i < std::size(ending_signals); ++i) {
        sigaction(ending_signals[i], nullptr, &saved_actions[i]);
        if (saved_actions[i].sa_handler != SIG_IGN) {
            sigaction(ending_signals[i], &restoring, nullptr);
        }
    }
}

void restore_signal_actions() {
    for (std::size_t i = 0; i < std::size(ending_signals); ++i) {
        sigaction(ending_signals[i], &saved_actions[i], nullptr);
    }
}

// Echo, line input, the signal keys and flow control off, so that any one key, Ctrl+C
// included, is read as soon as it is pressed and is not shown.
bool enable_key_mode() {
    if (tcgetattr(terminal, &saved_settings) != 0) {
        return false;
    }
    termios key_mode = saved_settings;
    key_mode.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | ISIG | IEXTEN);
    key_mode.c_iflag &= ~static_cast<tcflag_t>(IXON);
    key_mode.c_cc[VMIN] = 1;
    key_mode.c_cc[VTIME] = 0;
    restore_terminal_on_signals();
    // TCSADRAIN rather than TCSAFLUSH: keys typed ahead stay and may end the wait.
    if (tcsetattr(terminal, TCSADRAIN, &key_mode) != 0) {
        restore_signal_actions();
        return false;
    }
    return true;
}

void disable_key_mode() {
    tcsetattr(terminal, TCSADRAIN, &saved_settings);
    restore_signal_actions();
}

// Reads one byte, waiting at most time_limit milliseconds for it. False when none came in
// time, or the terminal is gone.
bool read_byte(unsigned char& byte, int time_limit) {
    pollfd ready = {terminal, POLLIN, 0};
    int polled = 0;
    do {
        polled = poll(&ready, 1, time_limit);
    } while (polled < 0 && errno == EINTR);
    return polled > 0 && read(terminal, &byte, 1) == 1;
}

// Arrows, function keys and the editing keys send ESC [ ... final, or ESC O final; the Linux
// console sends ESC [ [ letter for F1 to F5. Alt with a key sends ESC and that key.
void consume_escape_sequence() {
    unsigned char byte = 0;
    if (!read_byte(byte, key_byte_gap)) {
        return;  // the Escape key alone
    }
    if (byte == 'O') {
        read_byte(byte, key_byte_gap);
    } else if (byte == '[') {
        bool final_byte = false;
        for (bool first = true; !final_byte && read_byte(byte, key_byte_gap); first = false) {
            final_byte = (byte >= 0x40 && byte <= 0x7E) && !(first && byte == '[');
        }
    }
}

// A character outside ASCII arrives as a UTF-8 lead byte and its continuation bytes.
void consume_continuation_bytes(unsigned char lead) {
    const int continuation_count = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    unsigned char byte = 0;
    for (int i = 0; i < continuation_count && read_byte(byte, key_byte_gap); ++i) {
    }
}

// Reads one key with every byte it sends, so none of them reaches the shell afterwards.
void read_key() {
    unsigned char first = 0;
    if (!read_byte(first, no_time_limit)) {
        return;
    }
    if (first == 0x1B) {
        consume_escape_sequence();
    } else if (first >= 0xC0) {
        consume_continuation_bytes(first);
    }
}

}  // namespace

void wait_for_key() {
    terminal = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0) {
        return;
    }
    // A background job may not change the terminal's settings, nor read its keys.
    if (tcgetpgrp(terminal) == getpgrp() && enable_key_mode()) {
        read_key();
        disable_key_mode();
        // The key is not echoed; a line end puts the shell's next prompt on a fresh line.
        const ssize_t written = write(terminal, "\n", 1);
        static_cast<void>(written);
    }
    close(terminal);
    terminal = -1;
}
