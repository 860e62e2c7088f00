// The key wait on a POSIX terminal: /dev/tty with echo, line input and the signal keys off.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "dialogue/wait_for_key.h"

namespace {

// Kept at file scope so that signal handlers can give the terminal back and take it again.
int terminal = -1;
termios saved_settings;
volatile sig_atomic_t in_key_mode = 0;

// Key mode: echo, line input, the signal keys and flow control off, so that any one key,
// Ctrl+C included, is read as soon as it is pressed and is not shown. The settings it replaces
// are the ones the terminal has now: after a stop, the shell may have changed them.
void enter_key_mode() {
    // A job in the background may not change the terminal's settings.
    if (in_key_mode || tcgetpgrp(terminal) != getpgrp() ||
        tcgetattr(terminal, &saved_settings) != 0) {
        return;
    }
    termios key_mode = saved_settings;
    key_mode.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | ISIG | IEXTEN);
    key_mode.c_iflag &= ~static_cast<tcflag_t>(IXON);
    key_mode.c_cc[VMIN] = 1;
    key_mode.c_cc[VTIME] = 0;
    // TCSADRAIN rather than TCSAFLUSH: keys typed ahead stay and may end the wait.
    in_key_mode = tcsetattr(terminal, TCSADRAIN, &key_mode) == 0;
}

void leave_key_mode() {
    if (in_key_mode) {
        tcsetattr(terminal, TCSADRAIN, &saved_settings);
        in_key_mode = 0;
    }
}

// Signals whose default action ends the process, where this system has them.
constexpr int ending_signals[] = {
    SIGHUP,    SIGINT,  SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,    SIGFPE,  SIGUSR1, SIGSEGV,
    SIGUSR2,   SIGPIPE, SIGALRM, SIGTERM, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGSYS,
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#ifdef SIGPOLL
    SIGPOLL,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
#ifdef SIGEMT
    SIGEMT,
#endif
#ifdef SIGLOST
    SIGLOST,
#endif
};
constexpr int stopping_signals[] = {SIGTSTP, SIGTTIN, SIGTTOU};

// The terminal goes back as it was, and then the signal ends the process as if no handler had
// been there, so the shell sees the same status.
void end_by_signal(int signal_number) {
    leave_key_mode();
    // SA_RESETHAND made the default action current again, and SA_NODEFER lets it act now.
    raise(signal_number);
}

void install(int signal_number, void (*handler)(int), int flags);

// A stop gives the terminal back before the process stops, and takes it again once the process
// is continued in the foreground. Where the stop is discarded (a process group that no shell
// controls cannot be stopped by these signals), the wait simply goes on.
void stop_by_signal(int signal_number) {
    const int saved_errno = errno;
    leave_key_mode();
    install(signal_number, SIG_DFL, 0);
    raise(signal_number);  // stops here until continued
    install(signal_number, stop_by_signal, SA_NODEFER);
    enter_key_mode();
    errno = saved_errno;
}

void continue_after_stop(int) {
    const int saved_errno = errno;
    enter_key_mode();
    errno = saved_errno;
}

// Indexed by signal number; the real-time signals go up to SIGRTMAX.
struct sigaction saved_actions[NSIG];

void install(int signal_number, void (*handler)(int), int flags) {
    struct sigaction action = {};
    action.sa_handler = handler;
    action.sa_flags = flags;
    sigemptyset(&action.sa_mask);
    sigaction(signal_number, &action, nullptr);
}

// Calls act(signal number, handler, flags) for every signal handled during the wait: those
// that end the process, the real-time ones among them, the stops and the continuation.
template <typename Act>
void for_each_handled_signal(Act act) {
    constexpr int ending_flags = static_cast<int>(SA_RESETHAND | SA_NODEFER);
    for (const int signal_number : ending_signals) {
        act(signal_number, end_by_signal, ending_flags);
    }
    for (int signal_number = SIGRTMIN; signal_number <= SIGRTMAX; ++signal_number) {
        act(signal_number, end_by_signal, ending_flags);
    }
    for (const int signal_number : stopping_signals) {
        act(signal_number, stop_by_signal, SA_NODEFER);
    }
    act(SIGCONT, continue_after_stop, 0);
}

// A signal the process was told to ignore (as nohup does) stays ignored.
void handle_signals() {
    for_each_handled_signal([](int signal_number, void (*handler)(int), int flags) {
        sigaction(signal_number, nullptr, &saved_actions[signal_number]);
        if (saved_actions[signal_number].sa_handler != SIG_IGN) {
            install(signal_number, handler, flags);
        }
    });
}

void restore_signal_actions() {
    for_each_handled_signal([](int signal_number, void (*)(int), int) {
        sigaction(signal_number, &saved_actions[signal_number], nullptr);
    });
}

sigset_t handled_signals() {
    sigset_t signals;
    sigemptyset(&signals);
    for_each_handled_signal(
        [&signals](int signal_number, void (*)(int), int) { sigaddset(&signals, signal_number); });
    return signals;
}

// The bytes of one key arrive together; a gap this long (milliseconds) means the key is complete.
constexpr int key_byte_gap = 100;
constexpr int no_time_limit = -1;

// Reads one byte, waiting at most time_limit milliseconds for it. False when none came in
// time, or the terminal is gone. A signal (a stop and its continuation) does not end the wait.
bool read_byte(unsigned char& byte, int time_limit) {
    for (;;) {
        pollfd ready = {terminal, POLLIN, 0};
        const int polled = poll(&ready, 1, time_limit);
        if (polled < 0 && errno == EINTR) {
            continue;
        }
        if (polled <= 0) {
            return false;
        }
        const ssize_t got = read(terminal, &byte, 1);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        return got == 1;
    }
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
    if (tcgetpgrp(terminal) == getpgrp()) {
        handle_signals();
        enter_key_mode();
        if (in_key_mode) {
            read_key();
            // Whatever else was typed ahead or pasted goes too, rather than to the shell.
            tcflush(terminal, TCIFLUSH);
        }
        // No handler may take the terminal again between giving it back and the handlers'
        // removal: signals that come meanwhile wait and then act as they would have.
        const sigset_t signals = handled_signals();
        sigset_t unblocked;
        sigprocmask(SIG_BLOCK, &signals, &unblocked);
        const bool was_in_key_mode = in_key_mode;
        leave_key_mode();
        restore_signal_actions();
        sigprocmask(SIG_SETMASK, &unblocked, nullptr);
        if (was_in_key_mode) {
            // The key is not echoed; a line end puts the shell's next prompt on a fresh line.
            const ssize_t written = write(terminal, "\n", 1);
            static_cast<void>(written);
        }
    }
    close(terminal);
    terminal = -1;
}

bool typed_input_can_end_mid_line() {
    return isatty(STDIN_FILENO) == 1;
}
