// Reading and writing numbers: the in-place paths against the plain ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "chunked_source.h"
#include "dialogue/number_reader.h"
#include "dialogue/number_writer.h"
#include "each_path.h"

namespace {

std::string written(std::int32_t value) {
    char text[widest_number];
    return std::string(text, write_number(text, value));
}

std::string by_to_chars(std::int32_t value) {
    char text[widest_number];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// The extremes, each side of every power of ten, and every length equally often: random values
// shifted down by a random amount.
std::vector<std::int32_t> values_of_every_length() {
    std::vector<std::int32_t> values = {0, std::numeric_limits<std::int32_t>::min(),
                                        std::numeric_limits<std::int32_t>::max()};
    for (std::int64_t power = 1; power <= 1000000000; power *= 10) {
        for (const std::int64_t near : {power - 1, power, power + 1}) {
            values.push_back(static_cast<std::int32_t>(near));
            values.push_back(static_cast<std::int32_t>(-near));
        }
    }
    std::mt19937 random(7);
    for (int i = 0; i < 100000; ++i) {
        const auto value = static_cast<std::int32_t>(random());
        values.push_back(value >> (random() % 32));
    }
    return values;
}

TEST(WriteNumber, AgreesWithToChars) {
    for (const std::int32_t value : values_of_every_length()) {
        ASSERT_EQ(written(value), by_to_chars(value));
    }
}

// On the vector path where the processor has one, and on the portable path, forced; through a
// buffer of the smallest size, so that the room for 16 numbers is taken at every place.
TEST(WriteList, AgreesWithToCharsOnEachPath) {
    const std::vector<std::int32_t> values = values_of_every_length();
    std::string expected = "list: ";
    for (const std::int32_t value : values) {
        expected += by_to_chars(value) + ' ';
    }
    expected += '\n';
    on_each_path(vector_writer_chosen, [&] {
        for (const std::size_t capacity : {std::size_t{256}, std::size_t{1} << 16}) {
            TextTarget target;
            Output output(target, capacity);
            write_list(output, "list: ", values.data(), static_cast<std::int32_t>(values.size()));
            output.flush();
            const std::string& text = target.text;
            const auto differs =
                std::mismatch(text.begin(), text.end(), expected.begin(), expected.end()).first;
            EXPECT_TRUE(text.size() == expected.size() && differs == text.end())
                << text.size() << " bytes of " << expected.size() << ", from byte "
                << differs - text.begin() << ": "
                << std::string(differs,
                               differs + std::min<std::ptrdiff_t>(40, text.end() - differs));
        }
    });
}

// Words of every kind a reader meets, among white space of every kind.
std::string random_input(std::mt19937& random) {
    const char* const words[] = {"-", "+", "+-2", "2.5", "12abc", "\x01", "00000000000000000012",
                                 "-2147483648", "2147483647", "2147483648", "-2147483649",
                                 "99999999999", "-0", "+0", "0000000001",
                                 // about the 16 characters that reading in place looks at
                                 "01234567890", "-02147483648", "+0000012345678", "000000000000000",
                                 "-0000000000000001", "00000002147483647"};
    const char* const spaces[] = {" ", "\n", "\r\n", "\t", "\v\f", "   "};
    std::string text;
    for (int i = 0, count = 1 + static_cast<int>(random() % 40); i < count; ++i) {
        text += spaces[random() % std::size(spaces)];
        if (random() % 8 == 0) {
            text += words[random() % std::size(words)];
        } else {
            const auto value = static_cast<std::int32_t>(random()) >> (random() % 32);
            if (random() % 4 == 0 && value >= 0) {
                text += '+';
            }
            text += std::to_string(value);
        }
    }
    return text + (random() % 2 ? "\n" : "");
}

// Everything the reader found, up to and including the first word that is not a number,
// and what it left of the source for the next reader.
std::string read_all(ChunkedSource&& source) {
    NumberReader reader(source);
    std::string found;
    for (;;) {
        std::int32_t number = 0;
        const Found what = reader.read(number);
        if (what != Found::number) {
            found += "stopped " + std::to_string(static_cast<int>(what)) + " at " +
                     std::string(reader.word_start()) + std::to_string(reader.word_length());
            break;
        }
        found += std::to_string(number) + ' ';
    }
    reader.give_back_unread();
    return found + ", leaving " + source.rest();
}

// One byte at a time there is never enough in the buffer to read in place, so that is the
// plain path; whole, and in chunks of other sizes, most numbers are read in place.
TEST(NumberReader, ReadingInPlaceAgreesWithThePlainPath) {
    std::mt19937 random(11);
    for (int round = 0; round < 3000; ++round) {
        const std::string text = random_input(random);
        const std::string plain = read_all(ChunkedSource(text, 1));
        ASSERT_EQ(read_all(ChunkedSource(text, 1 + random() % 64)), plain) << text;
        ASSERT_EQ(read_all(ChunkedSource(text)), plain) << text;
    }
}

}  // namespace
