// Lines typed at the POSIX terminal that is standard input, read a key at a time in a mode of
// the program's own and edited as the terminal itself would edit them, so that a line of any
// length arrives whole: in its own line input the terminal keeps at most a few kilobytes of a
// line (MAX_CANON) and drops the rest.
#pragma once

#include <cstddef>
#include <optional>

#include "dialogue/line_editor.h"
#include "dialogue/output.h"
#include "dialogue/screen.h"
#include "standard_output.h"

class TerminalLineReader {
  public:
    // Each line begins where the screen's cursor stands once the program has written there.
    explicit TerminalLineReader(Screen& screen);
    ~TerminalLineReader();
    TerminalLineReader(const TerminalLineReader&) = delete;
    TerminalLineReader& operator=(const TerminalLineReader&) = delete;

    // Takes the terminal in the program's mode, where it can and has not yet: every key typed
    // from then on is the program's to edit and show. False where the mode cannot be had.
    bool take();

    // Reads a typed line, or what is left of one longer than capacity: how many bytes, 0 at
    // the end of the input, -1 after an error (its number in error); nothing where the mode
    // cannot be had (the program is not the terminal's foreground job), and the caller then
    // reads the terminal as it is.
    std::optional<std::ptrdiff_t> read(char* buffer, std::size_t capacity, int& error);

    // Gives the terminal back its settings.
    void end();

  private:
    bool edit(int& error);

    Screen& screen_;
    LineEditor editor_;
    std::size_t handed_over_ = 0;  // of a finished line, longer than a read
    bool finished_ = false;        // the editor holds a line to hand over
    bool held_ = false;            // the terminal has the program's mode
    std::size_t before_mode_ = 0;  // keys to come that were typed before the mode
    // Keys read but not yet edited: a paste brings several lines at once.
    unsigned char keys_[1024];
    std::size_t next_key_ = 0;
    std::size_t keys_end_ = 0;
    StandardOutput echo_target_;
    Output echo_;
};
