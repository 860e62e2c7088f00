// Reading UTF-8, a character at a time.
#pragma once

#include <cstddef>

// The UTF-8 character at the start of text, of which size bytes are there: its length, with its
// code point in code_point; 0 where the bytes are malformed (overlong forms and surrogates
// included); incomplete where they begin a character that has not all arrived.
inline constexpr std::ptrdiff_t incomplete = -1;
std::ptrdiff_t decode_utf8(const unsigned char* text, std::size_t size, char32_t& code_point);
