#include "dialogue/utf8.h"

std::ptrdiff_t decode_utf8(const unsigned char* text, std::size_t size, char32_t& code_point) {
    const unsigned char lead = text[0];
    const std::size_t length = lead < 0x80   ? 1
                               : lead < 0xC2 ? 0
                               : lead < 0xE0 ? 2
                               : lead < 0xF0 ? 3
                               : lead < 0xF5 ? 4
                                             : 0;
    if (length == 0) {
        return 0;
    }
    char32_t decoded = lead & (0xFFu >> (length + (length > 1)));
    for (std::size_t i = 1; i < length; ++i) {
        if (i == size) {
            return incomplete;
        }
        if ((text[i] & 0xC0) != 0x80) {
            return 0;
        }
        decoded = (decoded << 6) | (text[i] & 0x3Fu);
    }
    constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (decoded < smallest[length] || decoded > 0x10FFFF ||
        (decoded >= 0xD800 && decoded <= 0xDFFF)) {
        return 0;
    }
    code_point = decoded;
    return static_cast<std::ptrdiff_t>(length);
}
