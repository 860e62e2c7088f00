// Where the dialogue's input comes from. The program reads standard input (platform.h); tests
// feed the same reader from text of their own, a few bytes at a time, failing or ending where
// they choose.
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

    // The program is about to ask for input. Where it edits typed lines itself, it takes the
    // terminal now, before the question shows, so that it is the one to show every key typed in
    // answer: the terminal's own echo cannot be told apart from the program's afterwards.
    virtual void about_to_ask() {}
};
