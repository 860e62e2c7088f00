// Writing a list of numbers as one line of output.
#pragma once

#include <cstdint>
#include <ostream>

// The widest a number is written: "-2147483648".
inline constexpr int widest_number = 11;

// Writes value in decimal at out, with a minus sign where it is negative, and returns the end
// of what it wrote: at most widest_number characters, with no terminating null.
char* write_number(char* out, std::int32_t value);

// Writes the label, each value in decimal followed by one space (the last one too), and a line
// end. The values go out in large blocks rather than with a call per value.
void write_list(std::ostream& output, const char* label, const std::int32_t* values,
                std::int32_t count);
