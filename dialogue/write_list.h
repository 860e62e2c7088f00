// Writing a list of numbers as one line of output.
#pragma once

#include <cstdint>
#include <ostream>

// Writes the label, each value in decimal followed by one space (the last one too), and a line
// end. The values go out in large blocks rather than with a call per value.
void write_list(std::ostream& output, const char* label, const std::int32_t* values,
                std::int32_t count);
