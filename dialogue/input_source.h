// Where the dialogue's input comes from. The program reads standard input; tests feed the same
// reader from text of their own, a few bytes at a time, failing or ending where they choose.
#pragma once

#include <cstddef>

#ifndef _WIN32
#include "dialogue/terminal_lines.h"
#endif

// How the text typed since the program last wrote on the screen ends there.
enum class Typed { nothing, at_line_start, mid_line };

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

    // Where the input is typed at a terminal, which shows it on the screen: how the text typed
    // since the program last wrote on that screen ends there. Elsewhere nothing.
    virtual Typed typed() const {
        return Typed::nothing;
    }

    // The program is about to ask for input. Where it edits typed lines itself, it takes the
    // terminal now, before the question shows, so that it is the one to show every key typed in
    // answer: the terminal's own echo cannot be told apart from the program's afterwards.
    virtual void about_to_ask() {}

    // The program wrote on the screen, and the cursor stands at column: 0 after a line end,
    // where a word typed before it ends too, as the screen shows it.
    virtual void wrote_on_screen(std::size_t column) {
        static_cast<void>(column);
    }
};

// Standard input, read with the system's own call and not through the C or C++ library's
// buffers, so that the reader alone decides how much is taken and the offset it leaves is
// exact. On Windows it is read in binary mode, and a Ctrl+Z (0x1A) ends it there, as the
// console and the C runtime's text mode have always had it: the byte and all after it are left
// for the next reader.
//
// Typed at a POSIX terminal, it is read a line at a time through the program's own line
// editing, while the program is the terminal's foreground job: from its first question on, where
// it is by then; the terminal's settings are given back when the reading is over (give_back).
class StandardInput final : public InputSource {
  public:
    // typed_at_terminal: standard input is the terminal or console, which shows what is typed.
    explicit StandardInput(bool typed_at_terminal);
    std::ptrdiff_t read(char* buffer, std::size_t capacity) override;
    int error() const override;
    void give_back(std::size_t count) override;
    Typed typed() const override {
        return typed_;
    }
    void about_to_ask() override;
    void wrote_on_screen(std::size_t column) override;

    // At the Windows console, reads to its end a typed line that the console handed over only
    // in part (one longer than a read), so that none of it runs at the command prompt after
    // the program. Elsewhere nothing: a terminal's line discipline keeps no partial line.
    void discard_rest_of_line();

  private:
    std::ptrdiff_t read_as_typed(char* buffer, std::size_t capacity);

    int error_ = 0;
    std::size_t held_back_ = 0;  // bytes read from Ctrl+Z on, not delivered
    bool line_open_ = false;     // the last read ended inside a line
    bool typed_at_terminal_;
    Typed typed_ = Typed::nothing;
    bool line_broken_ = false;  // the program ended the screen's line after text typed on it
#ifndef _WIN32
    TerminalLines lines_;
#endif
};
