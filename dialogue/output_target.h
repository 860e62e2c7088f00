// Where the dialogue's output goes: standard output, standard error or the terminal on the
// program's platform (platform.h), text collected by tests.
#pragma once

#include <cstddef>

class OutputTarget {
  public:
    virtual ~OutputTarget() = default;

    // Writes all size bytes. Returns 0, or the system's error number where they could not be
    // written.
    virtual int write(const char* bytes, std::size_t size) = 0;
};
