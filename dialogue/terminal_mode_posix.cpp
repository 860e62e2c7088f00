// A mode of the program's own on a POSIX terminal, and the signals handled while it is held.
//
// Signals: every signal handled here is blocked while the mode or the saved settings change and
// while a read gets ready, and let in inside pselect(), where reading waits, and between reads.
// So no handler ever meets a half-made change of the terminal's settings, and it is a read, not
// a handler, that takes the terminal again after a stop. A handler does only what must come
// before the process stops or ends: it gives the terminal back its saved settings.
#include "dialogue/terminal_mode.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>

namespace {

// Kept at file scope for the signal handlers.
int terminal = -1;
ModeChange mode_change = nullptr;
termios saved_settings;                  // what the terminal goes back to
volatile sig_atomic_t in_mode = 0;       // the terminal has this program's mode
volatile sig_atomic_t take_again = 0;    // a stop ended, carried out or dropped, or a SIGCONT came
volatile sig_atomic_t continued = 0;     // a SIGCONT came since the last stop began
volatile sig_atomic_t stop_dropped = 0;  // the last stop was discarded by the system
volatile sig_atomic_t resumed = 0;       // a stop was carried out, and the program continued
std::size_t received_before = 0;         // bytes waiting when the mode was last taken

// Safe in a signal handler. TCSANOW: only input settings change, so output still on its way is
// unaffected.
void restore_settings() {
    if (in_mode) {
        static_cast<void>(tcsetattr(terminal, TCSANOW, &saved_settings));  // nothing else to try
        in_mode = 0;
    }
}

bool is_mode(const termios& settings) {
    termios mode = settings;
    mode_change(mode);
    return mode.c_lflag == settings.c_lflag && mode.c_iflag == settings.c_iflag &&
           mode.c_cc[VMIN] == settings.c_cc[VMIN] && mode.c_cc[VTIME] == settings.c_cc[VTIME];
}

// With the handled signals blocked. The settings that the mode replaces are those the terminal
// has now: after a stop, the shell may have changed them; but not the mode itself, which a stop
// this program could not handle (SIGSTOP) leaves in place. A job continued in the background
// stops again, as reading its terminal would stop it; where the system drops that stop too (a
// job that no shell controls), the mode cannot be had. False then, or where the terminal cannot
// be set.
bool take_mode() {
    if (tcgetpgrp(terminal) != getpgrp()) {
        if (stop_dropped) {
            return false;
        }
        static_cast<void>(raise(SIGTTIN));  // acts when pselect() lets it in
        return true;
    }
    termios settings;
    if (tcgetattr(terminal, &settings) != 0) {
        return false;
    }
    if (in_mode && is_mode(settings)) {
        return true;
    }
    termios mode = settings;
    mode_change(mode);
    if (tcsetattr(terminal, TCSANOW, &mode) != 0) {
        return false;
    }
    // Counted at once: a key that comes after the change is not echoed by the terminal.
    int waiting = 0;
#ifdef FIONREAD
    if (ioctl(terminal, FIONREAD, &waiting) != 0) {
        waiting = 0;
    }
#endif
    received_before = static_cast<std::size_t>(waiting);
    saved_settings = settings;
    in_mode = 1;
    return true;
}

// Signals whose default action ends the process: those of every POSIX system, then those of
// some, where this system has them. Real-time signals, where the system has them, are added
// when the mode is taken: on some systems their range is known only then.
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
    struct sigaction saved;  // the action it had before the mode
};

// Every signal handled while the mode is held, once each (some systems give two names one
// number). Kept at file scope: no system has more signals than this.
HandledSignal handled[128];
std::size_t handled_count = 0;
sigset_t handled_set;

// Blocks the handled signals for as long as it lives; the mask it replaced is the one let in
// while a read waits.
struct SignalsHeld {
    sigset_t outside;
    SignalsHeld() {
        sigprocmask(SIG_BLOCK, &handled_set, &outside);
    }
    ~SignalsHeld() {
        sigprocmask(SIG_SETMASK, &outside, nullptr);
    }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;
};

// how: SIG_BLOCK or SIG_UNBLOCK, for that one signal.
void mask_one(int how, int signal_number) {
    sigset_t just_this;
    sigemptyset(&just_this);
    sigaddset(&just_this, signal_number);
    sigprocmask(how, &just_this, nullptr);
}

#ifdef INVERSIONS_COVERAGE
extern "C" void __gcov_dump();  // a coverage build's counts, which a signal's end would lose
#endif

// The terminal goes back as it was, and then the signal ends the process as if no handler had
// been there, so the shell sees the same status. SA_RESETHAND made the default action current.
void end_by_signal(int signal_number) {
    restore_settings();
#ifdef INVERSIONS_COVERAGE
    __gcov_dump();
#endif
    static_cast<void>(raise(signal_number));  // acts once unblocked
    mask_one(SIG_UNBLOCK, signal_number);
}

void install(int signal_number, void (*handler)(int));

// A stop gives the terminal back before the process stops; the next read takes it again once
// the stop has been carried out and the process continued, or the system has dropped the stop
// (a process group that no shell controls is not stopped by these signals).
void stop_by_signal(int signal_number) {
    const int saved_errno = errno;
    restore_settings();
    struct sigaction stop = {};
    stop.sa_handler = SIG_DFL;
    sigaction(signal_number, &stop, nullptr);
    continued = 0;
    static_cast<void>(raise(signal_number));
    mask_one(SIG_UNBLOCK, signal_number);  // stops here until continued, or not at all
    mask_one(SIG_BLOCK, signal_number);
    install(signal_number, stop_by_signal);
    stop_dropped = !continued;
    resumed = resumed || continued;
    take_again = 1;
    errno = saved_errno;
}

// Also after a stop that no handler saw (SIGSTOP), the next read looks at the terminal again.
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

}  // namespace

bool take_terminal(int descriptor, ModeChange change, bool discard_typed_ahead) {
    if (terminal >= 0 || descriptor >= FD_SETSIZE) {  // beyond that, select() cannot watch it
        return false;
    }
    list_handled_signals();
    const SignalsHeld held;
    // A job started in the background may not change the terminal's settings, nor read its keys.
    if (tcgetpgrp(descriptor) != getpgrp()) {
        return false;
    }
    terminal = descriptor;
    mode_change = change;
    take_again = 0;
    stop_dropped = 0;
    resumed = 0;
    handle_signals();
    // Flushed before the mode is taken, so that no key pressed once it is can be lost.
    if (discard_typed_ahead) {
        tcflush(terminal, TCIFLUSH);
    }
    if (!take_mode()) {
        restore_signal_actions();
        terminal = -1;
        return false;
    }
    return true;
}

const termios& settings_before_mode() {
    return saved_settings;
}

std::size_t received_before_mode() {
    return received_before;
}

// pselect() rather than poll(): on macOS poll() does not support devices, terminals among them.
std::ptrdiff_t read_terminal(unsigned char* bytes, std::size_t capacity, int time_limit) {
    const SignalsHeld held;
    for (;;) {
        if (take_again) {
            take_again = 0;
            if (!take_mode()) {
                return terminal_lost;
            }
            if (resumed && in_mode) {
                resumed = 0;
                return continued_after_stop;
            }
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(terminal, &readable);
        timespec limit = {time_limit / 1000, (time_limit % 1000) * 1000000L};
        const int ready = pselect(terminal + 1, &readable, nullptr, nullptr,
                                  time_limit == no_time_limit ? nullptr : &limit, &held.outside);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return ready == 0 ? nothing_in_time : terminal_lost;
        }
        const ssize_t got = read(terminal, bytes, capacity);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        return got > 0 ? got : terminal_lost;
    }
}

void give_terminal_back() {
    if (terminal < 0) {
        return;
    }
    // Signals that came meanwhile act once this is done, as they would have without the mode.
    const SignalsHeld held;
    restore_settings();
    restore_signal_actions();
    terminal = -1;
}
