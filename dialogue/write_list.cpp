#include "dialogue/write_list.h"

#include <charconv>
#include <cstddef>
#include <iterator>

void write_list(std::ostream& output, const char* label, const std::int32_t* values,
                std::int32_t count) {
    constexpr std::size_t widest_value = sizeof "-2147483648 " - 1;
    char block[1 << 16];
    std::size_t used = 0;
    output << label;
    for (std::int32_t i = 0; i < count; ++i) {
        if (sizeof block - used < widest_value) {
            output.write(block, static_cast<std::streamsize>(used));
            used = 0;
        }
        char* end = std::to_chars(block + used, std::end(block), values[i]).ptr;
        *end++ = ' ';
        used = static_cast<std::size_t>(end - block);
    }
    output.write(block, static_cast<std::streamsize>(used));
    output << '\n';
}
