#include "dialogue/number_writer.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstring>

namespace {

// "00", "01", ..., "99": the digits are written two at a time, from the last pair to the first.
constexpr std::array<char, 200> digit_pairs = [] {
    std::array<char, 200> pairs = {};
    for (std::size_t i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

constexpr std::uint32_t powers_of_ten[] = {1,      10,      100,      1000,      10000,
                                           100000, 1000000, 10000000, 100000000, 1000000000};

// From the magnitude's bit length: log10(2) is about 1233 / 4096, which gives the digit count
// or one more, and one comparison tells which.
// Zero counts as one, which has one digit.
int digit_count(std::uint32_t magnitude) {
    const std::uint32_t at_least_one = magnitude | 1;
    const auto estimate = (std::bit_width(at_least_one) * 1233) >> 12;
    return static_cast<int>(estimate + 1) - (at_least_one < powers_of_ten[estimate]);
}

}  // namespace

char* write_number(char* out, std::int32_t value) {
    // The sign with no jump: in the input's order, half the values are negative at random.
    const auto bits = static_cast<std::uint32_t>(value);
    const std::uint32_t negative = bits >> 31;
    *out = '-';
    out += negative;
    std::uint32_t magnitude = (bits ^ (0 - negative)) + negative;
    char* const end = out + digit_count(magnitude);
    char* pair = end;
    while (magnitude >= 100) {
        pair -= 2;
        std::memcpy(pair, &digit_pairs[std::size_t{2} * (magnitude % 100)], 2);
        magnitude /= 100;
    }
    if (magnitude >= 10) {
        std::memcpy(pair - 2, &digit_pairs[std::size_t{2} * magnitude], 2);
    } else {
        pair[-1] = static_cast<char>('0' + magnitude);
    }
    return end;
}

void write_list(Output& output, const char* label, const std::int32_t* values, std::int32_t count) {
    output << label;
    for (std::int32_t i = 0; i < count; ++i) {
        char* end = write_number(output.room(widest_number + 1), values[i]);
        *end++ = ' ';
        output.used(end);
    }
    output << '\n';
}
