// What the program takes from the system it runs on: its standard streams, which of them show on
// the screen, and the final key wait at the console or terminal. Each kind of system has its own
// folder for them, posix/ and windows/, of which the build takes one.
#pragma once

#include "dialogue/input_source.h"
#include "dialogue/output_target.h"
#include "dialogue/screen.h"

// Standard input, output and error, read and written with the system's own calls rather than
// through the C or C++ library's buffers: the reader alone decides how much input is taken, so
// the offset it leaves is exact; a write error carries the system's reason; and a non-blocking
// descriptor (as some parents leave one) is waited on rather than taken for an error. Typed at
// a terminal, the input is read a line at a time through the program's own line editing; at
// the Windows console, and from a file or pipe there, a Ctrl+Z (0x1A) ends it where it stands,
// and is left with all after it for the next reader.
struct StandardStreams {
    InputSource& input;
    OutputTarget& output;
    OutputTarget& errors;
    Screen& screen;
};

// Sets the standard streams up, calls run with them and returns what it returns; then the
// input typed at the terminal or console is left as the next program there expects it.
int with_standard_streams(int (*run)(const StandardStreams& streams));

// The final keystroke wait, read from the console or terminal itself rather than from standard
// input: piped input neither ends the wait nor is consumed by it. Waits until one key is
// pressed after the wait began, without echoing it, discards whatever else is typed or pasted
// until the keyboard has been quiet for a moment, and leaves the console or terminal as it
// found it. Keys typed before the wait began are discarded unread: they were pressed before the
// result was there to be read. Returns at once where there is no console or terminal to wait
// on, or where standard output does not go to it.
void wait_for_key();

// After the key, whatever keeps arriving (a paste comes in pieces over tens of milliseconds,
// and keys may be typed on) is discarded until the keyboard has been quiet for quiet_gap_ms,
// however long that takes, so that none of it reaches the shell. The program's line editing
// tells an Escape key from the start of a key's sequence by the same gap.
inline constexpr int quiet_gap_ms = 150;

// The final prompt, which the wait shows again when the program is continued after a stop.
inline constexpr char final_prompt[] = "Press ENTER to return.";
