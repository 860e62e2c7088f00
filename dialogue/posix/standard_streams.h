// Standard input, output and error on a POSIX system, read and written with read() and write().
#pragma once

#include <cstddef>

#include "dialogue/input_source.h"
#include "dialogue/screen.h"
#include "standard_output.h"
#include "terminal_line_reader.h"

// Standard input. Typed at the terminal, it is read a line at a time through the program's own
// line editing, while the program is the terminal's foreground job: from its first question on,
// where it is by then; the terminal's settings are given back when the reading is over
// (give_back).
class StandardInput final : public InputSource {
  public:
    explicit StandardInput(Screen& screen) : screen_(screen), lines_(screen) {}
    std::ptrdiff_t read(char* buffer, std::size_t capacity) override;
    int error() const override {
        return error_;
    }
    void give_back(std::size_t count) override;
    void about_to_ask() override;

  private:
    bool edits_lines() const;

    Screen& screen_;
    TerminalLineReader lines_;
    int error_ = 0;
};
