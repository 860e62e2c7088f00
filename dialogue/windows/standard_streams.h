// Standard input, output and error on Windows, read and written with the C runtime's _read and
// _write in binary mode.
#pragma once

#include <cstddef>

#include "dialogue/input_source.h"
#include "dialogue/output_target.h"
#include "dialogue/screen.h"

// Standard output or error, each line end written as CR LF, as programs there write them. On
// the console the UTF-8 text is written as the characters it is (WriteConsoleW), whatever the
// console's output code page; elsewhere it stays UTF-8.
class StandardOutput final : public OutputTarget {
  public:
    explicit StandardOutput(int descriptor);
    int write(const char* bytes, std::size_t size) override;

  private:
    int write_piece(const char* bytes, std::size_t size);

    int descriptor_;
    void* console_ = nullptr;  // the console's handle, where the descriptor is on it
    // The first bytes of a character that the last write cut, for the next one.
    char cut_[4] = {};
    std::size_t cut_size_ = 0;
};

// Standard input, in binary mode, so that the offset left for the next reader is exact for
// files with CR LF line ends too. Typed at the console, the text comes in the console's input
// code page, and is handed over as UTF-8, as a file or pipe brings it. A Ctrl+Z (0x1A) ends it where it stands, as the console and
// the C runtime's text mode have always had it: the byte and all after it are left for the
// next reader.
class StandardInput final : public InputSource {
  public:
    explicit StandardInput(Screen& screen);
    std::ptrdiff_t read(char* buffer, std::size_t capacity) override;
    int error() const override {
        return error_;
    }
    void give_back(std::size_t count) override;

    // Reads to its end a typed line that the console handed over only in part (one longer
    // than a read), so that none of it runs at the command prompt after the program.
    void discard_rest_of_line();

  private:
    Screen& screen_;
    int error_ = 0;
    std::size_t held_back_ = 0;  // bytes read from Ctrl+Z on, not delivered
    bool line_open_ = false;     // the last read ended inside a line
};
