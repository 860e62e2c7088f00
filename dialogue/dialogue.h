// The program's exchange with its user, on whatever streams it is given.
#pragma once

#include <istream>
#include <ostream>

// Asks on output for a count and then for that many integers, reads them from input, echoes
// them, sorts them while counting their inversions, prints the sorted list and the total, and
// ends with the final prompt "Press ENTER to return.". Each prompt is flushed before the read
// that follows it. Input is taken from input's buffer only as far as each number needs:
// nothing after the last integer is read.
//
// Input that is not what was asked for, and storage that cannot be obtained, end the exchange
// early: one line beginning "Error: " goes to errors, the rest of the result is not printed,
// and the final prompt follows after a blank line.
//
// Returns the exit status: 0 after a complete result, 1 after an error (output that could not
// be written included).
int run_dialogue(std::istream& input, std::ostream& output, std::ostream& errors);
