// Where the dialogue's input comes from. The program reads standard input; tests feed the same
// reader from text of their own, a few bytes at a time, failing or ending where they choose.
#pragma once

#include <cstddef>

class InputSource {
  public:
    virtual ~InputSource() = default;

    // Reads at most capacity bytes into buffer: what is there now, waiting only while nothing
    // is, so that at a terminal one read is one typed line. Returns how many bytes it read, 0
    // at the end of the input, or -1 after an error.
    virtual std::ptrdiff_t read(char* buffer, std::size_t capacity) = 0;

    // The system's error number for the error that made read return -1.
    virtual int error() const = 0;

    // Steps the source back over the last count bytes it delivered, where it can seek, so that
    // whoever reads it next starts there. A pipe or a terminal cannot take bytes back.
    virtual void give_back(std::size_t count) = 0;
};

// Standard input, read with the system's own call and not through the C or C++ library's
// buffers, so that the reader alone decides how much is taken and the offset it leaves is
// exact. On Windows it is read in binary mode, and a Ctrl+Z (0x1A) ends it there, as the
// console and the C runtime's text mode have always had it: the byte and all after it are left
// for the next reader.
class StandardInput final : public InputSource {
  public:
    StandardInput();
    std::ptrdiff_t read(char* buffer, std::size_t capacity) override;
    int error() const override;
    void give_back(std::size_t count) override;

    // At the Windows console, reads to its end a typed line that the console handed over only
    // in part (one longer than a read), so that none of it runs at the command prompt after
    // the program. Elsewhere nothing: a terminal's line discipline keeps no partial line.
    void discard_rest_of_line();

  private:
    int error_ = 0;
    std::size_t held_back_ = 0;  // bytes read from Ctrl+Z on, not delivered
    bool line_open_ = false;     // the last read ended inside a line
};
