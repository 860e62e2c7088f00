// The program's controlling terminal, and which descriptors are open on it.
#pragma once

#include <sys/types.h>

#include "dialogue/line_editor.h"
#include "dialogue/screen.h"

// The terminal device that descriptor is open on, or 0 where it is not a terminal.
dev_t terminal_of(int descriptor);

// Which standard streams show on the one screen: the terminal at which standard input is typed,
// or else the one that standard output goes to.
OnScreen streams_on_screen();

// The terminal's size in cells (TIOCGWINSZ), asked afresh each time: it changes as the window
// does. Zeros where it is not known.
ScreenSize screen_size(int descriptor);

// The controlling terminal itself (/dev/tty), opened with access (O_RDWR or O_WRONLY) and not
// left open for programs the program starts; -1 where there is none.
int open_terminal(int access);
