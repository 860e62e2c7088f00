// Reading whole numbers, one word of input at a time, from a stream buffer.
#pragma once

#include <cstdint>
#include <streambuf>
#include <string>

// What reading one word of input as a whole number found.
enum class Found { number, end_of_input, not_whole, out_of_range, unreadable };

// Takes words from its source only as far as each one needs: the character after a word is
// looked at, not taken, so at a terminal no more is asked for than the word's own line. Once
// the input has ended, or failed, the source is never asked again.
class NumberReader {
  public:
    explicit NumberReader(std::streambuf& source) : source_(source) {}

    // At the very start of the input: passes over a UTF-8 byte order mark. Returns false where
    // the input starts with a UTF-16 byte order mark, and so is not plain text.
    bool pass_byte_order_mark();

    // Reads the next word as an optional sign and decimal digits; the whole word must be a
    // number, so "12abc" and "2.5" are not_whole. Sets number only when it finds one.
    Found read(std::int32_t& number);

    // The start of the last word read, in double quotes and fit for one line of a message.
    std::string quoted_word() const;

    // The system's text for the error that made the source unreadable.
    const std::string& read_error() const {
        return read_error_;
    }

    // True when what the source has delivered so far ends with a line end: at a terminal, the
    // typed text then ends at the start of a line.
    bool at_line_start() const;

    // Leaves a source that can seek just after the last character taken, so that whoever
    // reads it next starts there. A pipe or terminal cannot take back what was read.
    void give_back_unread();

  private:
    static constexpr int end_of_input = std::streambuf::traits_type::eof();

    int look();  // the next character, not taken
    int take();  // takes the character look() found and looks at the one after it
    void keep(int c);
    bool read_in_place(std::int32_t& number);
    Found read_slowly(std::int32_t& number);

    std::streambuf& source_;
    bool ended_ = false;
    bool begun_word_ = false;  // the first word began with the bytes of an unfinished mark
    std::string read_error_;
    int last_taken_ = end_of_input;
    // The last word's length and its first characters, for messages.
    std::size_t length_ = 0;
    char start_[32] = {};
};
