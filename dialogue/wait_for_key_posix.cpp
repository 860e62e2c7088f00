// The key wait on a POSIX terminal: /dev/tty with echo, line input and the signal keys off.
#include <fcntl.h>
#include <signal.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <vector>

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

// Signals whose default action ends the process: those of every POSIX system, then those of
// some, where this system has them. Real-time signals, where the system has them, are added
// when the wait starts: on some systems their range is known only then.
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

void install(int signal_number, void (*handler)(int), int flags) {
    struct sigaction action = {};
    action.sa_handler = handler;
    action.sa_flags = flags;
    sigemptyset(&action.sa_mask);
    sigaction(signal_number, &action, nullptr);
}

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

struct HandledSignal {
    int number;
    void (*handler)(int);
    int flags;
    struct sigaction saved;  // the action it had before the wait
};

// Every signal handled during the wait, once each (some systems give two names one number):
// those that end the process, the stops and the continuation.
std::vector<HandledSignal> signals_to_handle() {
    std::vector<HandledSignal> handled;
    const auto add = [&handled](int number, void (*handler)(int), int flags) {
        const auto same = [number](const HandledSignal& signal) { return signal.number == number; };
        if (std::none_of(handled.begin(), handled.end(), same)) {
            handled.push_back({number, handler, flags, {}});
        }
    };
    constexpr int ending_flags = static_cast<int>(SA_RESETHAND | SA_NODEFER);
    for (const int signal_number : ending_signals) {
        add(signal_number, end_by_signal, ending_flags);
    }
#if defined(SIGRTMIN) && defined(SIGRTMAX)
    for (int signal_number = SIGRTMIN; signal_number <= SIGRTMAX; ++signal_number) {
        add(signal_number, end_by_signal, ending_flags);
    }
#endif
    for (const int signal_number : stopping_signals) {
        add(signal_number, stop_by_signal, SA_NODEFER);
    }
    add(SIGCONT, continue_after_stop, 0);
    return handled;
}

// A signal the process was told to ignore (as nohup does) stays ignored.
void handle_signals(std::vector<HandledSignal>& handled) {
    for (HandledSignal& signal : handled) {
        sigaction(signal.number, nullptr, &signal.saved);
        if (signal.saved.sa_handler != SIG_IGN) {
            install(signal.number, signal.handler, signal.flags);
        }
    }
}

void restore_signal_actions(const std::vector<HandledSignal>& handled) {
    for (const HandledSignal& signal : handled) {
        sigaction(signal.number, &signal.saved, nullptr);
    }
}

sigset_t signal_set(const std::vector<HandledSignal>& handled) {
    sigset_t signals;
    sigemptyset(&signals);
    for (const HandledSignal& signal : handled) {
        sigaddset(&signals, signal.number);
    }
    return signals;
}

// The bytes of one key arrive together; a gap this long (milliseconds) means the key is complete.
constexpr int key_byte_gap = 100;
constexpr int no_time_limit = -1;

// True when the terminal has a byte to read within time_limit milliseconds. select() rather than
// poll(): on macOS poll() does not support devices, /dev/tty among them. A descriptor beyond
// what select() can watch is taken as quiet.
bool readable_within(int time_limit) {
    if (terminal >= FD_SETSIZE) {
        return false;
    }
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(terminal, &readable);
    timeval limit = {time_limit / 1000, (time_limit % 1000) * 1000};
    return select(terminal + 1, &readable, nullptr, nullptr, &limit) > 0;
}

// Reads one byte, waiting at most time_limit milliseconds for it (or without limit). False when
// none came in time, or the terminal is gone. A signal (a stop and its continuation) does not
// end the wait.
bool read_byte(unsigned char& byte, int time_limit) {
    for (;;) {
        if (time_limit != no_time_limit && !readable_within(time_limit)) {
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

// A paste arrives in pieces over tens of milliseconds, and keys may be typed on. After the key,
// whatever comes is discarded until the terminal has been quiet for a gap this long, or for at
// most discard_limit in all, so that none of it reaches the shell.
constexpr int quiet_gap = 150;  // milliseconds
constexpr auto discard_limit = std::chrono::seconds(3);

void discard_until_quiet() {
    const auto deadline = std::chrono::steady_clock::now() + discard_limit;
    char discarded[4096];
    while (std::chrono::steady_clock::now() < deadline && readable_within(quiet_gap)) {
        const ssize_t got = read(terminal, discarded, sizeof discarded);
        if (got == 0 || (got < 0 && errno != EINTR)) {
            break;  // the terminal is gone
        }
    }
    tcflush(terminal, TCIFLUSH);
}

}  // namespace

void wait_for_key() {
    // Where the result did not go to the terminal (a file, a pipe, a pager) there is nothing on
    // the screen to wait over, and the terminal may be another program's to use.
    if (isatty(STDOUT_FILENO) != 1) {
        return;
    }
    terminal = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0) {
        return;
    }
    // A background job may not change the terminal's settings, nor read its keys.
    if (tcgetpgrp(terminal) == getpgrp()) {
        std::vector<HandledSignal> handled = signals_to_handle();
        handle_signals(handled);
        enter_key_mode();
        if (in_key_mode) {
            read_key();
            discard_until_quiet();
        }
        // No handler may take the terminal again between giving it back and the handlers'
        // removal: signals that come meanwhile wait and then act as they would have.
        const sigset_t signals = signal_set(handled);
        sigset_t unblocked;
        sigprocmask(SIG_BLOCK, &signals, &unblocked);
        const bool was_in_key_mode = in_key_mode;
        leave_key_mode();
        restore_signal_actions(handled);
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

bool input_typed_at_terminal() {
    return isatty(STDIN_FILENO) == 1;
}
