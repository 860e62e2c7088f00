// A mode of the program's own on a POSIX terminal, held while the program reads keys there: for
// its line editing and for the final key wait, one at a time.
//
// The mode is taken only while the program is the terminal's foreground job. The saved
// settings go back on every way out: before the program stops or ends by a signal, and when the
// mode is given back. After a stop the mode is taken again once the program is continued in the
// foreground; continued in the background, it stops again, as reading the terminal would stop it.
#pragma once

#include <termios.h>

#include <cstddef>

// What the mode makes of the terminal's settings.
using ModeChange = void (*)(termios& settings);

// Takes the terminal in the mode that change makes of its settings, and handles the signals
// that stop or end the program while it is held. Where discard_typed_ahead, what was typed and
// not yet read is discarded first. A job in the background waits to be brought to the
// foreground where wait_for_foreground, stopped as reading the terminal would stop it. False,
// with nothing changed, where the program is not (or cannot become) the terminal's foreground
// job or the terminal cannot be set.
bool take_terminal(int descriptor, ModeChange change, bool discard_typed_ahead,
                   bool wait_for_foreground);

// The settings the terminal had before the mode: the user's keys and echo.
const termios& settings_before_mode();

// How many bytes the terminal had received, and not yet handed over, when the mode was last
// taken: in its own line input it has echoed those already.
std::size_t received_before_mode();

// What a read of the terminal came to: bytes arrived; none in time; the program was stopped and
// is continued with the mode taken again (what the mode showed may need showing again); or the
// terminal is lost or cannot be taken again.
enum class TerminalRead { arrived, nothing_in_time, continued_after_stop, terminal_lost };
inline constexpr int no_time_limit = -1;

// Reads what has arrived, at most capacity bytes (how many in got, where they arrived), waiting
// at most time_limit milliseconds (or no_time_limit) for the first; the handled signals act
// only while it waits.
TerminalRead read_terminal(unsigned char* bytes, std::size_t capacity, int time_limit,
                           std::size_t& got);

// Gives the terminal back its settings and each handled signal its own action. Signals that
// came while a change was under way act now.
void give_terminal_back();
