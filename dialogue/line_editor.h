// The editing of one typed line, for a terminal that the program reads a key at a time: the keys
// that the terminal's own line input knows, with the echo that it would show. The line grows
// as long as memory lasts.
#pragma once

#include <cstddef>

#include "dialogue/output.h"
#include "inversions/memory.h"

// The editing keys as the terminal's settings name them (-1 where one is switched off), and
// how it echoes.
struct EditingKeys {
    int erase;       // erases the last character; Backspace (0x08) does too
    int word_erase;  // erases the last word
    int kill;        // erases the line
    int end_of_file;
    bool echo;          // typed text is shown
    bool echo_control;  // control characters show as ^X, else as they are
};

class LineEditor {
  public:
    enum class Step {
        editing,
        line_ended,   // Enter: the line, its line end included, is to be handed over
        handed_over,  // end of file with text typed: that text is to be handed over
        input_ended,  // end of file on an empty line
        out_of_memory
    };

    // Takes one typed byte, and puts on echo what the screen is to show for it.
    Step feed(unsigned char byte, const EditingKeys& keys, Output& echo);

    // Shows the line again, as after the program was stopped and continued.
    void show_again(const EditingKeys& keys, Output& echo);

    // The text typed so far, or the line to hand over.
    const char* text() const {
        return line_ ? line_.get() : "";
    }
    std::size_t size() const {
        return size_;
    }

    // Starts the next line where the cursor stands now.
    void clear();

    // The screen column at which the next line starts; tabs stop at every eighth column.
    void begin_at_column(std::size_t column) {
        start_column_ = column_ = column;
    }

  private:
    bool append(unsigned char byte);
    std::size_t column_after(std::size_t& at, std::size_t column, bool echo_control) const;
    bool erase_character(const EditingKeys& keys, Output& echo);
    void move_back(std::size_t columns, const EditingKeys& keys, Output& echo) const;

    HeapBlock<char> line_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    std::size_t shown_ = 0;  // the bytes that make whole characters, shown on the screen
    std::size_t start_column_ = 0;
    std::size_t column_ = 0;  // where the cursor stands after them
};
