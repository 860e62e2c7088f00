// The program's exchange with its user, on whatever streams it is given.
#pragma once

#include "dialogue/input_source.h"
#include "dialogue/output.h"

// Asks on output for a count and then for that many integers, reads them from input, echoes
// them, sorts them while counting their inversions, prints the sorted list and the total, and
// ends with the final prompt "Press ENTER to return.". Each prompt is flushed before the read
// that follows it. Input is taken only as far as each number needs, and where input can
// seek it is left just after the last character used: whoever reads it next
// finds everything after the last integer (after an error, after the offending word).
//
// Input that is not what was asked for or cannot be read, and storage that cannot be obtained,
// end the exchange early: one line beginning "Error: " goes to errors, what is still to come of
// the result is not printed, and the final prompt follows after a blank line.
//
// Where the input is typed at a terminal, which echoes it between the prompts, an error line
// and each prompt start a line of their own: a line end goes to output first where the cursor
// stands after a prompt or after typed text that ended mid-line. Elsewhere the bytes written
// are the same whatever the input's lines.
//
// Returns the exit status: 0 after a complete result, 1 after an error (output that could not
// be written included).
int run_dialogue(InputSource& input, Output& output, Output& errors,
                 bool typed_at_terminal = false);
