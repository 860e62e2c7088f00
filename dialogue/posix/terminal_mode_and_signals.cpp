// A mode of the program's own on a POSIX terminal, and the signals handled while it is held.
//
// Signals: every signal handled here is blocked while the mode or the saved settings change and
// while a read gets ready, and let in inside pselect(), where reading waits, and between reads.
// So no handler ever meets a half-made change of the terminal's settings, and it is a read, not
// a handler, that takes the terminal again after a stop. A handler does only what must come
// before the process stops or ends: it gives the terminal back its saved settings.
#include "terminal_mode_and_signals.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>

namespace {

// The mode's state, at file scope for the signal handlers. The flags:
//
//   flag          means                                     set by                cleared by
//   in_mode       the terminal has this program's mode      take_mode             restore_settings
//   take_again    the next read takes the mode again: a     stop_by_signal,       take_terminal,
//                 stop ended, carried out or dropped, or    continue_after_stop   read_terminal
//                 a SIGCONT came
//   continued     a SIGCONT came since the last stop began  continue_after_stop   stop_by_signal,
//                                                                                 before it stops
//   stop_dropped  the last stop was discarded by the        stop_by_signal        take_terminal,
//                 system (no shell controls the job)                              stop_by_signal
//   resumed       a stop was carried out and the program    stop_by_signal        take_terminal,
//                 continued: what the mode showed may                             read_terminal, as
//                 need showing again                                              it reports it
int terminal = -1;
ModeChange mode_change = nullptr;
termios saved_settings;  // what the terminal goes back to
volatile sig_atomic_t in_mode = 0;
volatile sig_atomic_t take_again = 0;
volatile sig_atomic_t continued = 0;
volatile sig_atomic_t stop_dropped = 0;
volatile sig_atomic_t resumed = 0;
std::size_t received_before = 0;  // bytes waiting when the mode was last taken

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

// One row for each signal handled while the mode is held: its handler, and how that is installed.
struct HandledSignal {
    int number;
    void (*handler)(int);
    int flags;               // SA_RESETHAND where the handler raises the signal again to end
    bool lets_in_continue;   // SIGCONT may interrupt it: a stop's handler waits for it there
    struct sigaction saved;  // the action the signal had before the mode
};

// The table, listed once, each signal once (some systems give two names one number). Kept at
// file scope: no system has more signals than this.
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

void install(const HandledSignal& row);
const HandledSignal& row_of(int signal_number);

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
    install(row_of(signal_number));
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
void install(const HandledSignal& row) {
    struct sigaction action = {};
    action.sa_handler = row.handler;
    action.sa_mask = handled_set;
    if (row.lets_in_continue) {
        sigdelset(&action.sa_mask, SIGCONT);
    }
    action.sa_flags = row.flags;
    sigaction(row.number, &action, nullptr);
}

const HandledSignal& row_of(int signal_number) {
    std::size_t i = 0;
    while (i + 1 < handled_count && handled[i].number != signal_number) {
        ++i;
    }
    return handled[i];
}

void add(int signal_number, void (*handler)(int), int flags, bool lets_in_continue) {
    if (!sigismember(&handled_set, signal_number) && handled_count < std::size(handled)) {
        sigaddset(&handled_set, signal_number);
        handled[handled_count++] = {signal_number, handler, flags, lets_in_continue, {}};
    }
}

// Signals whose default action ends the process: those of every POSIX system, then those of
// some, where this system has them, and the real-time signals, whose range some systems know
// only at run time; then those that stop it, and the one that continues it.
void list_handled_signals() {
    if (handled_count != 0) {
        return;
    }
    sigemptyset(&handled_set);
    constexpr auto reset = static_cast<int>(SA_RESETHAND);
    for (const int signal_number : {
             SIGHUP,    SIGINT,  SIGQUIT,   SIGILL,  SIGTRAP, SIGABRT, SIGBUS,
             SIGFPE,    SIGUSR1, SIGSEGV,   SIGUSR2, SIGPIPE, SIGALRM, SIGTERM,
             SIGXCPU,   SIGXFSZ, SIGVTALRM, SIGPROF, SIGSYS,
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
         }) {
        add(signal_number, end_by_signal, reset, false);
    }
#if defined(SIGRTMIN) && defined(SIGRTMAX)
    for (int signal_number = SIGRTMIN; signal_number <= SIGRTMAX; ++signal_number) {
        add(signal_number, end_by_signal, reset, false);
    }
#endif
    for (const int signal_number : {SIGTSTP, SIGTTIN, SIGTTOU}) {
        add(signal_number, stop_by_signal, 0, true);
    }
    add(SIGCONT, continue_after_stop, 0, false);
}

// A signal the process was told to ignore (as nohup does) stays ignored.
void handle_signals() {
    for (std::size_t i = 0; i < handled_count; ++i) {
        sigaction(handled[i].number, nullptr, &handled[i].saved);
        if (handled[i].saved.sa_handler != SIG_IGN) {
            install(handled[i]);
        }
    }
}

void restore_signal_actions() {
    for (std::size_t i = 0; i < handled_count; ++i) {
        sigaction(handled[i].number, &handled[i].saved, nullptr);
    }
}

}  // namespace

// With the handled signals blocked and handled: stops the job until it is continued, as long as
// it is in the background, where the system carries out such a stop. False where it does not
// (an ignored or blocked SIGTTIN, a group that no shell controls).
bool wait_for_the_foreground(const SignalsHeld& held) {
    const HandledSignal& stop = row_of(SIGTTIN);
    if (stop.saved.sa_handler == SIG_IGN || sigismember(&held.outside, SIGTTIN) == 1) {
        return tcgetpgrp(terminal) == getpgrp();
    }
    while (tcgetpgrp(terminal) != getpgrp() && !stop_dropped) {
        static_cast<void>(raise(SIGTTIN));
        mask_one(SIG_UNBLOCK, SIGTTIN);  // its handler stops the job here until continued
        mask_one(SIG_BLOCK, SIGTTIN);
    }
    return !stop_dropped;
}

bool take_terminal(int descriptor, ModeChange change, bool discard_typed_ahead,
                   bool wait_for_foreground) {
    if (terminal >= 0 || descriptor >= FD_SETSIZE) {  // beyond that, select() cannot watch it
        return false;
    }
    list_handled_signals();
    const SignalsHeld held;
    // A job in the background may not change the terminal's settings, nor read its keys.
    if (tcgetpgrp(descriptor) != getpgrp() && !wait_for_foreground) {
        return false;
    }
    terminal = descriptor;
    mode_change = change;
    take_again = 0;
    stop_dropped = 0;
    resumed = 0;
    handle_signals();
    if (!wait_for_the_foreground(held)) {
        restore_signal_actions();
        terminal = -1;
        return false;
    }
    take_again = 0;
    resumed = 0;
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
TerminalRead read_terminal(unsigned char* bytes, std::size_t capacity, int time_limit,
                           std::size_t& got) {
    const SignalsHeld held;
    for (;;) {
        if (take_again) {
            take_again = 0;
            if (!take_mode()) {
                return TerminalRead::terminal_lost;
            }
            if (resumed && in_mode) {
                resumed = 0;
                return TerminalRead::continued_after_stop;
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
            return ready == 0 ? TerminalRead::nothing_in_time : TerminalRead::terminal_lost;
        }
        const ssize_t read_now = read(terminal, bytes, capacity);
        if (read_now < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        got = read_now > 0 ? static_cast<std::size_t>(read_now) : 0;
        return read_now > 0 ? TerminalRead::arrived : TerminalRead::terminal_lost;
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
