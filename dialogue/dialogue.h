// The program's exchange with its user, on whatever streams it is given.
#pragma once

#include <cstdio>

// Asks on output for a count and then for that many integers, reads them from input, echoes
// them, sorts them while counting their inversions, prints the sorted list and the total, and
// ends with the final prompt "Press ENTER to return.". Nothing after the last integer is read.
//
// Input that is not what was asked for, and storage that cannot be obtained, end the exchange
// early: one line beginning "Error: " goes to errors, the rest of the result is not printed,
// and the final prompt follows after a blank line.
//
// Returns the exit status: 0 after a complete result, 1 after an error.
int run_dialogue(std::FILE* input, std::FILE* output, std::FILE* errors);
