// The dialogue's output, gathered in a buffer of its own and written to its target in large
// pieces. Nothing here throws or allocates after construction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "dialogue/output_target.h"
#include "inversions/memory.h"

// Text gathered in a buffer and written to the target when the buffer is full or flushed. The
// buffer is obtained without throwing; where it cannot be, a small one stands in, and the
// output is the same, in more writes. After a failed write nothing more is
// written, and error() says why.
class Output {
  public:
    Output(OutputTarget& target, std::size_t capacity);

    Output& operator<<(std::string_view text);
    Output& operator<<(char character);
    Output& operator<<(std::int64_t value);
    Output& operator<<(std::int32_t value) {
        return *this << std::int64_t{value};
    }

    // Room for at least size bytes (size at most 256, the small stand-in's) at the returned
    // place, after the buffer has been written out where it had less; used(end) then takes what
    // was put there up to end.
    char* room(std::size_t size) {
        if (buffer_.capacity() - used_ < size) {
            flush();
        }
        return buffer_.data() + used_;
    }
    void used(const char* end) {
        used_ = static_cast<std::size_t>(end - buffer_.data());
    }

    void flush();

    // The bytes gathered and not yet written; those from start on.
    std::size_t pending() const {
        return used_;
    }
    std::string_view gathered_since(std::size_t start) const {
        return {buffer_.data() + start, used_ - start};
    }

    // 0, or the system's error number for the first write that failed.
    int error() const {
        return error_;
    }

  private:
    OutputTarget& target_;
    Buffer buffer_;
    std::size_t used_ = 0;
    int error_ = 0;
};
