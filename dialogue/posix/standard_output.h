// Standard output and error, and the terminal, on a POSIX system: descriptors written with write().
#pragma once

#include <cstddef>

#include "dialogue/output_target.h"

// A descriptor (standard output or error, or the terminal), written with write(). Where the
// descriptor is non-blocking (some parents leave it so), a full pipe is waited on rather than
// taken for an error.
class StandardOutput final : public OutputTarget {
  public:
    explicit StandardOutput(int descriptor) : descriptor_(descriptor) {}
    int write(const char* bytes, std::size_t size) override;
    int descriptor() const {
        return descriptor_;
    }

  private:
    int descriptor_;
};
