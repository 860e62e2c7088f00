// The key wait on a POSIX terminal: /dev/tty with echo, line input and the signal keys off.
//
// Signals: every signal handled here is blocked for the whole wait and let in only inside
// pselect(), where the wait waits. So no handler ever meets a half-made change of the
// terminal's settings, and it is the loop, not a handler, that takes the terminal again after
// a stop. A handler does only what must come before the process stops or ends: it gives the
// terminal back its saved settings.
#include <fcntl.h>
#include <signal.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <iterator>

#include "dialogue/wait_for_key.h"

namespace {

// Kept at file scope for the signal handlers.
int terminal = -1;
termios saved_settings;                  // what the terminal goes back to
volatile sig_atomic_t in_key_mode = 0;   // the terminal has this program's key mode
volatile sig_atomic_t take_again = 0;    // a stop ended, carried out or dropped, or a SIGCONT came
volatile sig_atomic_t continued = 0;     // a SIGCONT came since the last stop began
volatile sig_atomic_t stop_dropped = 0;  // the last stop was discarded by the system
sigset_t waiting_mask;                   // the mask inside pselect(): the one before the wait

// Key mode: echo, line input, the signal keys and flow control off, so that any one key,
// Ctrl+C included, is read as soon as it is pressed and is not shown.
void set_key_mode(termios& settings) {
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | ISIG | IEXTEN);
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
}

bool is_key_mode(const termios& settings) {
    termios key_mode = settings;
    set_key_mode(key_mode);
    return key_mode.c_lflag == settings.c_lflag && key_mode.c_iflag == settings.c_iflag &&
           settings.c_cc[VMIN] == 1 && settings.c_cc[VTIME] == 0;
}

// Safe in a signal handler. TCSANOW: only input settings change, so output still on its way is
// unaffected.
void give_terminal_back() {
    if (in_key_mode) {
        tcsetattr(terminal, TCSANOW, &saved_settings);
        in_key_mode = 0;
    }
}

// With the handled signals blocked. The settings that key mode replaces are those the terminal
// has now: after a stop, the shell may have changed them; but not key mode itself, which a stop
// this program could not handle (SIGSTOP) leaves in place. A job continued in the background
// stops again, as reading its terminal would stop it; where the system drops that stop too (a
// job that no shell controls), the wait cannot go on. False then, or where the terminal cannot
// be set.
bool take_key_mode() {
    if (tcgetpgrp(terminal) != getpgrp()) {
        if (stop_dropped) {
            return false;
        }
        raise(SIGTTIN);  // acts when pselect() lets it in
        return true;
    }
    termios settings;
    if (tcgetattr(terminal, &settings) != 0) {
        return false;
    }
    if (in_key_mode && is_key_mode(settings)) {
        return true;
    }
    termios key_mode = settings;
    set_key_mode(key_mode);
    if (tcsetattr(terminal, TCSANOW, &key_mode) != 0) {
        return false;
    }
    saved_settings = settings;
    in_key_mode = 1;
    return true;
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

struct HandledSignal {
    int number;
    void (*handler)(int);
    struct sigaction saved;  // the action it had before the wait
};

// Every signal handled during the wait, once each (some systems give two names one number).
// Kept at file scope: no system has more signals than this.
HandledSignal handled[128];
std::size_t handled_count = 0;
sigset_t handled_set;

// how: SIG_BLOCK or SIG_UNBLOCK, for that one signal.
void mask_one(int how, int signal_number) {
    sigset_t just_this;
    sigemptyset(&just_this);
    sigaddset(&just_this, signal_number);
    sigprocmask(how, &just_this, nullptr);
}

// The terminal goes back as it was, and then the signal ends the process as if no handler had
// been there, so the shell sees the same status. SA_RESETHAND made the default action current.
void end_by_signal(int signal_number) {
    give_terminal_back();
    raise(signal_number);
    mask_one(SIG_UNBLOCK, signal_number);
}

void install(int signal_number, void (*handler)(int));

// A stop gives the terminal back before the process stops; the loop takes it again once the
// stop has been carried out and the process continued, or the system has dropped the stop (a
// process group that no shell controls is not stopped by these signals).
void stop_by_signal(int signal_number) {
    const int saved_errno = errno;
    give_terminal_back();
    struct sigaction stop = {};
    stop.sa_handler = SIG_DFL;
    sigaction(signal_number, &stop, nullptr);
    continued = 0;
    raise(signal_number);
    mask_one(SIG_UNBLOCK, signal_number);  // stops here until continued, or not at all
    mask_one(SIG_BLOCK, signal_number);
    install(signal_number, stop_by_signal);
    stop_dropped = !continued;
    take_again = 1;
    errno = saved_errno;
}

// Also after a stop that no handler saw (SIGSTOP), the loop looks at the terminal again.
void continue_after_stop(int) {
    continued = 1;
    take_again = 1;
}

// No handler runs inside another, except a stop's continuation.
void install(int signal_number, void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    action.sa_mask = handled_set;
    if (handler == stop_by_signal) {
        sigdelset(&action.sa_mask, SIGCONT);
    }
    action.sa_flags = handler == end_by_signal ? static_cast<int>(SA_RESETHAND) : 0;
    sigaction(signal_number, &action, nullptr);
}

void add(int signal_number, void (*handler)(int)) {
    if (!sigismember(&handled_set, signal_number) && handled_count < std::size(handled)) {
        sigaddset(&handled_set, signal_number);
        handled[handled_count++] = {signal_number, handler, {}};
    }
}

void list_handled_signals() {
    handled_count = 0;
    sigemptyset(&handled_set);
    for (const int signal_number : ending_signals) {
        add(signal_number, end_by_signal);
    }
#if defined(SIGRTMIN) && defined(SIGRTMAX)
    for (int signal_number = SIGRTMIN; signal_number <= SIGRTMAX; ++signal_number) {
        add(signal_number, end_by_signal);
    }
#endif
    for (const int signal_number : stopping_signals) {
        add(signal_number, stop_by_signal);
    }
    add(SIGCONT, continue_after_stop);
}

// A signal the process was told to ignore (as nohup does) stays ignored.
void handle_signals() {
    for (std::size_t i = 0; i < handled_count; ++i) {
        sigaction(handled[i].number, nullptr, &handled[i].saved);
        if (handled[i].saved.sa_handler != SIG_IGN) {
            install(handled[i].number, handled[i].handler);
        }
    }
}

void restore_signal_actions() {
    for (std::size_t i = 0; i < handled_count; ++i) {
        sigaction(handled[i].number, &handled[i].saved, nullptr);
    }
}

// The bytes of one key arrive together; a gap this long (milliseconds) means the key is complete.
constexpr int key_byte_gap = 100;
constexpr int no_time_limit = -1;

// Reads one byte, waiting at most time_limit milliseconds for it (or without limit), with the
// handled signals let in while it waits; after a stop or a continuation it takes key mode again
// first. False when none came in time, or the wait cannot go on. pselect() rather than poll():
// on macOS poll() does not support devices, /dev/tty among them.
bool read_byte(unsigned char& byte, int time_limit) {
    for (;;) {
        if (take_again) {
            take_again = 0;
            if (!take_key_mode()) {
                return false;
            }
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(terminal, &readable);
        timespec limit = {time_limit / 1000, (time_limit % 1000) * 1000000L};
        const int ready = pselect(terminal + 1, &readable, nullptr, nullptr,
                                  time_limit == no_time_limit ? nullptr : &limit, &waiting_mask);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
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

// Reads one key with every byte it sends, so none of them reaches the shell afterwards. False
// where no key came: the terminal is gone, or the wait cannot go on.
bool read_key() {
    unsigned char first = 0;
    if (!read_byte(first, no_time_limit)) {
        return false;
    }
    if (first == 0x1B) {
        consume_escape_sequence();
    } else if (first >= 0xC0) {
        consume_continuation_bytes(first);
    }
    return true;
}

void discard_until_quiet() {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(discard_limit_ms);
    unsigned char byte = 0;
    while (std::chrono::steady_clock::now() < deadline && read_byte(byte, quiet_gap_ms)) {
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
    bool key_read = false;
    if (terminal < FD_SETSIZE) {  // beyond that, select() cannot watch it
        list_handled_signals();
        sigprocmask(SIG_BLOCK, &handled_set, &waiting_mask);
        // A job started in the background may not change the terminal's settings, nor read its
        // keys.
        if (tcgetpgrp(terminal) == getpgrp()) {
            handle_signals();
            // Keys pressed before the result was shown are no answer to it. Flushed before key
            // mode is taken, so that none pressed once it is can be lost.
            tcflush(terminal, TCIFLUSH);
            if (take_key_mode()) {
                key_read = read_key();
                if (key_read) {
                    discard_until_quiet();
                }
            }
            give_terminal_back();
            restore_signal_actions();
        }
        // Signals that came meanwhile act now, as they would have without the wait.
        sigprocmask(SIG_SETMASK, &waiting_mask, nullptr);
    }
    if (key_read) {
        // The key is not echoed; a line end puts the shell's next prompt on a fresh line.
        const ssize_t written = write(terminal, "\n", 1);
        static_cast<void>(written);
    }
    close(terminal);
    terminal = -1;
}

bool input_typed_at_terminal() {
    return isatty(STDIN_FILENO) == 1;
}
