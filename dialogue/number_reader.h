// Reading whole numbers, one word of input at a time, from an input source.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "dialogue/input_source.h"
#include "inversions/memory.h"

// Where a word stands in the input: its line, counted from 1 by line feeds (a CR LF is one line
// end), and its column, counted from 1 in characters (UTF-8 code points; a tab is one).
struct Place {
    std::int64_t line = 1;
    std::int64_t column = 1;
};

// The place just after text, which begins at place.
Place place_after(Place place, const char* text, const char* end);

// What reading one word of input as a whole number found.
enum class Found { number, end_of_input, not_whole, out_of_range, unreadable };

// The common case, as a pure function over the characters from word to end: an optional sign
// and at most ten digits, within the range of int32, followed by white space. Returns the end
// of the number and sets number; returns nullptr, leaving number alone, where the range is too
// short to tell (fewer than 17 characters) or the word is anything else.
const char* read_in_place(const char* word, const char* end, std::int32_t& number);

// The longest word read: a number needs at most a sign and ten digits, and whatever leading
// zeros its writer chose, but endless input (/dev/zero, yes 1 | tr -d '\n') must end too. A
// longer word is reported as it is (not a whole number, or out of range) once this much of it
// has been read, and the input is left there.
inline constexpr std::size_t longest_word = std::size_t{1} << 20;

// Reads words from its source into a buffer of its own, asking for more only when a word needs
// it: at a terminal, no more than the word's own line. Once the input has ended, or failed, the
// source is never asked again.
class NumberReader {
  public:
    explicit NumberReader(InputSource& source);

    // At the very start of the input: passes over a UTF-8 byte order mark. Returns false where
    // the input is UTF-16, and so not plain text: it starts with a UTF-16 byte order mark, or
    // its first two bytes are a digit, a sign or white space and a NUL, either way round.
    bool pass_byte_order_mark();

    // Reads the next word as an optional sign and decimal digits; the whole word must be a
    // number, so "12abc" and "2.5" are not_whole. Sets number only when it finds one.
    Found read(std::int32_t& number);

    // The last word read, for messages: its first bytes (at most 32), and its whole length.
    std::string_view word_start() const {
        return {start_, length_ < sizeof start_ ? length_ : sizeof start_};
    }
    std::size_t word_length() const {
        return length_;
    }

    // Where the last word read begins, and the line on which the input ended (the line that a
    // last line feed ends, where it ends the input). Lines are counted only as each delivery
    // of input is done with, and up to such a place when it is asked for.
    Place word_place();
    std::int64_t last_line();

    // The system's error number for the error that made the source unreadable, or 0.
    int read_error() const {
        return read_error_;
    }

    // Gives the source back what was read from it but not used, so that whoever reads it next
    // starts just after the last character taken, where the source can seek.
    void give_back_unread();

  private:
    static constexpr int end_of_input = -1;

    int look();     // the next character, not consumed
    int consume();  // consumes the character look() found and looks at the one after it
    int look_second();  // the character after the next one, read now where it has not come
    bool deliver(std::size_t at);  // reads more into the buffer from at; false at the end
    const Place& count_to(const char* at);
    void keep(int c);
    bool within_word(int c) const;
    Found read_slowly(std::int32_t& number);

    InputSource& source_;
    Buffer buffer_;  // obtained without throwing, or a small one
    const char* next_ = nullptr;
    const char* end_ = nullptr;  // the end of the last delivery
    bool ended_ = false;
    bool begun_word_ = false;  // the first word began with the bytes of an unfinished mark
    int read_error_ = 0;
    // The place at counted_to_, in this delivery; and where the last word begins, kept as a
    // place once its delivery was counted.
    Place counted_;
    const char* counted_to_ = nullptr;
    const char* word_begin_ = nullptr;
    Place word_place_;
    // The last word's length and its first characters, for messages.
    std::size_t length_ = 0;
    char start_[32] = {};
};
