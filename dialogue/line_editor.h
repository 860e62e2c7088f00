// The editing of one typed line, for a terminal that the program reads a key at a time: the keys
// of the terminal's own line input, and the cursor keys of line editors, with the echo that shows
// the line as it will be read. The line grows as long as memory lasts.
//
// The keys: erase (and Backspace), word erase and kill act before the cursor; Left, Right, Home,
// End and Delete, and Ctrl+B, Ctrl+F, Ctrl+A, Ctrl+E, Ctrl+K (erase to the end) and the end of
// file key inside the line, act as their names say; typed text goes in at the cursor. A
// character moved over or deleted is taken whole, with its combining marks. Every other key
// sequence (ESC [ or ESC O up to its final byte, the Linux console's ESC [ [ x, a mouse report,
// Alt and a key) is taken whole and ignored; an Escape that nothing follows in time is ignored.
#pragma once

#include <cstddef>
#include <string_view>

#include "dialogue/output.h"
#include "inversions/memory.h"

// The editing keys as the terminal's settings name them (-1 where one is switched off), and
// how it echoes.
struct EditingKeys {
    int erase;       // erases the character before the cursor; Backspace (0x08) does too
    int word_erase;  // erases the word before the cursor
    int kill;        // erases from the line's start to the cursor
    int end_of_file;
    bool echo;          // typed text is shown
    bool echo_control;  // control characters show as ^X, else as they are
};

// The terminal's size in character cells; 0 where it is not known.
struct ScreenSize {
    std::size_t columns = 0;
    std::size_t rows = 0;
};

class LineEditor {
  public:
    enum class Step {
        editing,
        line_ended,   // Enter: the line, its line end included, is to be handed over
        handed_over,  // end of file at the end of the line: that text is to be handed over
        input_ended,  // end of file on an empty line
        out_of_memory
    };

    // Takes one typed byte. At the line's end, the screen shows it at once; inside the line,
    // show() brings the screen up to date once the bytes that have come are all fed.
    Step feed(unsigned char byte, const EditingKeys& keys, Output& echo);

    // Shows the line as it now is, with the cursor in its place: only what changed is drawn.
    void show(const EditingKeys& keys, Output& echo);

    // An Escape has come and nothing after it yet: whoever reads the keys waits a moment for
    // the rest of its sequence, and calls escape_alone() where none came.
    bool awaits_rest_of_escape() const {
        return sequence_ == Sequence::escape;
    }
    void escape_alone() {
        sequence_ = Sequence::none;
    }

    // The screen's size, asked again before each show(). With a width, rows wrap as the editor
    // draws them, and it moves between them with the cursor sequences; with none, the line is
    // one row of any length, drawn with backspaces and spaces.
    void set_size(ScreenSize size);

    // The next line begins after prompt, which the screen shows with the cursor after it; or at
    // a column (tabs stop at every eighth column) after text the editor does not know.
    void begin_after(std::string_view prompt);
    void begin_at_column(std::size_t column);

    // Shows the prompt and the line again on the cursor's row, as after the program was stopped
    // and continued, with the cursor where it was.
    void show_again(const EditingKeys& keys, Output& echo);

    // The text typed so far, or the line to hand over.
    const char* text() const {
        return line_ ? line_.get() : "";
    }
    std::size_t size() const {
        return size_;
    }
    std::size_t cursor() const {
        return cursor_;
    }

    // Starts the next line where the cursor stands now, after the line handed over.
    void clear();

    // Where a character stands on the screen: its row counted from the line's first, and its
    // column; with a width, the column equal to it is the pending wrap after a full row.
    struct Place {
        std::ptrdiff_t row = 0;
        std::size_t column = 0;
    };

  private:
    enum class Sequence { none, escape, csi, csi_linux, mouse, ss3, alt_character };

    bool take_key(unsigned char byte, const EditingKeys& keys);
    void act_on_sequence(unsigned char final_byte);
    bool insert(unsigned char byte);
    void erase(std::size_t from, std::size_t to);
    std::size_t character_before(std::size_t at) const;
    std::size_t character_after(std::size_t at) const;
    std::size_t incomplete_end() const;

    Place advance(std::size_t& at, Place place, bool echo_control) const;
    Place place_of(std::size_t at, bool echo_control) const;
    Place draw(std::size_t from, std::size_t to, Place place, std::ptrdiff_t last_row,
               std::size_t& stopped, const EditingKeys& keys, Output& echo);
    void move_to(std::size_t at, Place place, const EditingKeys& keys, Output& echo);
    void erase_at_end_as_terminal(Place to, Output& echo) const;
    Place start_place() const;
    void forget_screen();

    HeapBlock<char> line_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    std::size_t cursor_ = 0;

    // The prompt, for showing it again; a prompt of the program's is short.
    char prompt_[64] = {};
    std::size_t prompt_size_ = 0;
    std::size_t start_column_ = 0;
    ScreenSize size_on_screen_;

    // What the screen shows: the line as it is up to drawn_, then, where tail_stale_, what it
    // was, up to drawn_end_; the cursor before the byte at_, at at_place_. Rows are the line's;
    // the lowest row drawn, which the screen shows, is lowest_. After a change of width, all
    // of it is drawn again.
    std::size_t drawn_ = 0;
    std::size_t sent_ = 0;  // bytes of a character at drawn_, not all come, that the terminal has
    bool tail_stale_ = false;
    bool redraw_all_ = false;
    Place drawn_end_;
    std::size_t at_ = 0;
    Place at_place_;
    std::ptrdiff_t lowest_ = 0;

    Sequence sequence_ = Sequence::none;
    char parameters_[8] = {};
    std::size_t parameters_size_ = 0;  // beyond the array: a sequence no key sends
    std::size_t bytes_to_skip_ = 0;
};
