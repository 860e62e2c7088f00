#include "dialogue/number_writer.h"

#include <algorithm>
#include <bit>
#include <cstddef>

#include "dialogue/character_words.h"
#include "dialogue/vector_writer.h"
#include "inversions/processor.h"

namespace {

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

// The eight decimal digits of value (below 10^8), leading zeros too, as characters: the first
// in the word's lowest byte. The value is split into halves of four digits, each of those into
// two of two, and each of those into two digits, every split done on all the parts at once by
// one multiply by a reciprocal: no division, and no jump that depends on the value.
std::uint64_t eight_digits(std::uint32_t value) {
    const std::uint32_t first_four = value / 10000;
    const std::uint64_t fours = first_four | (std::uint64_t{value - first_four * 10000} << 32);
    // x / 100 is (x * 10486) >> 20 for every x below 10^4, and x / 10 is (x * 103) >> 10 for
    // every x below 100; each part's quotient goes to its lower half, its remainder above.
    const std::uint64_t hundreds = ((fours * 10486) >> 20) & 0x0000007F0000007F;
    const std::uint64_t twos = (fours << 16) - hundreds * (100 * 0x10000 - 1);
    const std::uint64_t tens = ((twos * 103) >> 10) & 0x000F000F000F000F;
    const std::uint64_t ones = (twos << 8) - tens * (10 * 0x100 - 1);
    return ones | 0x3030303030303030;
}

}  // namespace

// All ten digits are made, and the leading zeros shifted out before they are stored: the
// first two digits, where there are more than eight, then the last eight over what follows
// them. In the input's order the digit count changes at random from one value to the next,
// so no step depends on it.
char* write_number(char* out, std::int32_t value) {
    // The sign with no jump: in the input's order, half the values are negative at random.
    const auto bits = static_cast<std::uint32_t>(value);
    const std::uint32_t negative = bits >> 31;
    *out = '-';
    out += negative;
    const std::uint32_t magnitude = (bits ^ (0 - negative)) + negative;
    const int digits = digit_count(magnitude);

    const std::uint32_t first_two = magnitude / 100000000;  // 0 to 21
    const std::uint32_t first_tens = (first_two * 103) >> 10;
    const std::uint64_t first = (first_tens | (first_two - first_tens * 10) << 8) | 0x3030;
    const int beyond_eight = std::max(digits - 8, 0);
    store_eight(out, first >> (8 * (2 - beyond_eight)));
    const std::uint64_t last = eight_digits(magnitude - first_two * 100000000);
    store_eight(out + beyond_eight, last >> (8 * std::max(8 - digits, 0)));
    return out + digits;
}

void write_list(Output& output, const char* label, const std::int32_t* values, std::int32_t count) {
    output << label;
    std::int32_t i = 0;
    if (vector_writer_chosen()) {
        for (; count - i >= 16; i += 16) {
            output.used(write_sixteen_by_vectors(output.room(sixteen_numbers_room), values + i));
        }
    }
    for (; i < count; ++i) {
        char* end = write_number(output.room(widest_number + 1), values[i]);
        *end++ = ' ';
        output.used(end);
    }
    output << '\n';
}
