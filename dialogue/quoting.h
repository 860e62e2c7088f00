// Words of the input quoted in messages, fit for one line of a terminal.
#pragma once

#include <cstddef>
#include <string_view>

// A word's start, in double quotes.
struct QuotedWord {
    char text[2 + 32 * 4 + 4];  // 32 bytes, each at most \xNN, the quotes and "..."
    std::size_t size = 0;

    std::string_view view() const {
        return {text, size};
    }
};

// The start of a word of length bytes, at most its first 32 bytes, in double quotes, followed
// by "..." where the word is longer: well-formed UTF-8 as the characters it is, but control,
// bidirectional formatting and invisible characters (dialogue/screen_characters.h), quotes,
// backslashes and malformed bytes as \xNN.
QuotedWord quote_word(std::string_view start, std::size_t length);
