// Writing numbers: one into a buffer, and a list of them as one line of output.
#pragma once

#include <cstdint>

#include "dialogue/output.h"

// The widest a number is written: "-2147483648".
inline constexpr int widest_number = 11;

// Writes value in decimal at out, with a minus sign where it is negative, and returns the end
// of what it wrote: at most widest_number characters, with no terminating null. It may store
// other bytes after that end, but none beyond out + widest_number.
char* write_number(char* out, std::int32_t value);

// Writes the label, each value in decimal followed by one space (the last one too), and a line
// end, straight into the output's buffer.
void write_list(Output& output, const char* label, const std::int32_t* values, std::int32_t count);
