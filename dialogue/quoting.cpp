#include "dialogue/quoting.h"

#include <algorithm>

#include "dialogue/screen_characters.h"
#include "dialogue/utf8.h"

namespace {

// The length of the character outside ASCII at text, at most size bytes long, where a message
// may show it as it is; 0 for malformed bytes, for the characters that could move the cursor,
// change colours or reorder the line on the screen (the C1 controls and the bidirectional
// formatting characters), and for those not visible on their own; incomplete where the bytes
// begin a character that goes on past size.
std::ptrdiff_t shown_character_length(const unsigned char* text, std::size_t size,
                                      bool starts_word) {
    char32_t code_point = 0;
    const std::ptrdiff_t length = decode_utf8(text, size, code_point);
    const bool harmless =
        length > 0 && code_point >= 0xA0 && !is_invisible(code_point, starts_word);
    return harmless || length == incomplete ? length : 0;
}

}  // namespace

QuotedWord quote_word(std::string_view start, std::size_t length) {
    constexpr char hex_digits[] = "0123456789ABCDEF";
    const auto* const word = reinterpret_cast<const unsigned char*>(start.data());
    const std::size_t shown = std::min(start.size(), std::size_t{32});
    QuotedWord quoted;
    char* out = quoted.text;
    *out++ = '"';
    std::size_t i = 0;
    while (i < shown) {
        const unsigned char byte = word[i];
        const std::ptrdiff_t character =
            byte >= 0x80 ? shown_character_length(word + i, shown - i, i == 0) : 0;
        if (character == incomplete && length > shown) {
            break;  // a character cut by the quote's end goes with the rest of the word
        }
        if (character > 0) {
            const auto size = static_cast<std::size_t>(character);
            out = std::copy(start.data() + i, start.data() + i + size, out);
            i += size;
        } else if (byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\') {
            *out++ = static_cast<char>(byte);
            ++i;
        } else {
            *out++ = '\\';
            *out++ = 'x';
            *out++ = hex_digits[byte >> 4];
            *out++ = hex_digits[byte & 0xF];
            ++i;
        }
    }
    const std::string_view ending = length > i ? "...\"" : "\"";
    out = std::copy(ending.begin(), ending.end(), out);
    quoted.size = static_cast<std::size_t>(out - quoted.text);
    return quoted;
}
