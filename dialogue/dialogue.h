// The program's exchange with its user, on whatever streams it is given.
#pragma once

#include "dialogue/input_source.h"
#include "dialogue/output.h"
#include "dialogue/screen.h"

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
// On the screen (screen.shows()), prompts and error lines are kept apart from the typed text. Where
// the cursor stands after typed text that ended mid-line, a line end goes to output before the next
// prompt; where errors show on the screen and the cursor stands after a prompt or after such
// text, a line end goes before the error line too, to output where that shows there, else to
// errors. The screen keeps each such line end for the input, so that a word typed before it
// ends there, as the screen shows it. Output that does not go to the screen has the same bytes
// whatever the input's lines.
//
// Returns the exit status: 0 after a complete result, 1 after an error (output that could not
// be written included).
int run_dialogue(InputSource& input, Output& output, Output& errors, Screen& screen);
