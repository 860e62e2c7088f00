#include "dialogue/dialogue.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <streambuf>
#include <string>

#include "inversions/inversions.h"

namespace {

using List = std::unique_ptr<std::int32_t[]>;
using Traits = std::streambuf::traits_type;

constexpr std::int32_t largest_count = std::numeric_limits<std::int32_t>::max();

// What reading one word of input as a whole number found.
enum class Found { number, end_of_input, not_whole, out_of_range };

// One word of input: a run of characters between white space. Its start is kept for errors.
struct Word {
    Found found = Found::end_of_input;
    std::int32_t number = 0;
    std::size_t length = 0;
    char start[32];  // the first length characters, up to its size
};

// The characters that separate numbers: those that isspace accepts in the C locale, which are
// the space and \t \n \v \f \r.
bool is_white_space(int c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool is_digit(int c) {
    return c >= '0' && c <= '9';
}

// Reads the next word as an optional sign and decimal digits. The whole word must be a number:
// "12abc" and "2.5" are not whole numbers. The character after the word is only looked at, not
// taken, so at a terminal no more is asked for than the word's own line. Reading goes straight
// to the stream's buffer, one inline step per character.
Word read_word(std::streambuf& input) {
    constexpr int end_of_input = Traits::eof();
    Word word;
    int c = input.sgetc();
    while (is_white_space(c)) {
        c = input.snextc();
    }
    if (c == end_of_input) {
        return word;
    }

    // The word's start is gathered in a local array: stores through the returned Word could
    // alias the stream's buffer pointers and force them out of registers on every character.
    char start[sizeof word.start];
    std::size_t length = 0;
    const auto keep = [&](int kept) {
        if (length < sizeof start) {
            start[length] = static_cast<char>(kept);
        }
        ++length;
    };

    const bool negative = c == '-';
    if (c == '-' || c == '+') {
        keep(c);
        c = input.snextc();
    }
    // Once the magnitude passes 2^31 the number is out of range whatever follows, so it stops
    // growing there and cannot overflow.
    constexpr std::int64_t magnitude_limit = std::int64_t{1} << 31;
    std::int64_t magnitude = 0;
    const std::size_t digits_start = length;
    for (; is_digit(c); c = input.snextc()) {
        keep(c);
        if (magnitude <= magnitude_limit) {
            magnitude = magnitude * 10 + (c - '0');
        }
    }
    const bool has_digits = length > digits_start;
    const std::size_t digits_end = length;
    for (; c != end_of_input && !is_white_space(c); c = input.snextc()) {
        keep(c);
    }

    const std::int64_t value = negative ? -magnitude : magnitude;
    if (!has_digits || length > digits_end) {
        word.found = Found::not_whole;
    } else if (value < std::numeric_limits<std::int32_t>::min() ||
               value > std::numeric_limits<std::int32_t>::max()) {
        word.found = Found::out_of_range;
    } else {
        word.found = Found::number;
        word.number = static_cast<std::int32_t>(value);
    }
    word.length = length;
    std::copy(start, start + std::min(length, sizeof start), word.start);
    return word;
}

// The word in double quotes, fit for one line of a message: anything but printable ASCII is
// shown as \xNN, and a long word is cut short with "...".
std::string quoted(const Word& word) {
    constexpr char hex_digits[] = "0123456789ABCDEF";
    std::string text = "\"";
    const std::size_t shown = std::min(word.length, sizeof word.start);
    for (std::size_t i = 0; i < shown; ++i) {
        const auto byte = static_cast<unsigned char>(word.start[i]);
        if (byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\') {
            text += static_cast<char>(byte);
        } else {
            text += "\\x";
            text += hex_digits[byte >> 4];
            text += hex_digits[byte & 0xF];
        }
    }
    text += word.length > shown ? "...\"" : "\"";
    return text;
}

// Starts an error line. What was already written to output goes first, so that on a terminal
// the error appears after it.
std::ostream& begin_error(std::ostream& output, std::ostream& errors) {
    output.flush();
    return errors << "Error: ";
}

// Prompts end without a line end; flushing shows them before the read that follows.
void prompt(std::ostream& output, const std::string& text) {
    output << text;
    output.flush();
}

std::optional<std::int32_t> read_count(std::istream& input, std::ostream& output,
                                       std::ostream& errors) {
    const Word word = read_word(*input.rdbuf());
    if (word.found == Found::number && word.number >= 0) {
        return word.number;
    }
    std::ostream& error = begin_error(output, errors);
    if (word.found == Found::end_of_input) {
        error << "expected the number of elements, but the input ended.\n";
    } else if (word.found == Found::not_whole) {
        error << "expected the number of elements as a whole number, found " << quoted(word)
              << ".\n";
    } else {
        error << "the number of elements must be from 0 to " << largest_count << ", found "
              << quoted(word) << ".\n";
    }
    return std::nullopt;
}

// Fresh, uninitialised storage for count values: every slot is filled by the reads. The byte
// size is worked out in 64 bits, so it cannot wrap where size_t has only 32.
List obtain_list(std::int32_t count) {
    const std::uint64_t bytes = static_cast<std::uint64_t>(count) * sizeof(std::int32_t);
    if (bytes > static_cast<std::uint64_t>(std::numeric_limits<std::ptrdiff_t>::max())) {
        return nullptr;
    }
    return List(new (std::nothrow) std::int32_t[static_cast<std::size_t>(count)]);
}

bool read_values(std::istream& input, std::ostream& output, std::ostream& errors,
                 std::int32_t* values, std::int32_t count) {
    std::streambuf& source = *input.rdbuf();
    for (std::int32_t i = 0; i < count; ++i) {
        const Word word = read_word(source);
        if (word.found == Found::number) {
            values[i] = word.number;
            continue;
        }
        std::ostream& error = begin_error(output, errors);
        if (word.found == Found::end_of_input) {
            error << "expected " << count << " integers, but the input ended after " << i << ".\n";
        } else if (word.found == Found::not_whole) {
            error << "expected integer " << i + 1 << " of " << count << " as a whole number, found "
                  << quoted(word) << ".\n";
        } else {
            error << "integer " << i + 1 << " of " << count
                  << " must be from -2147483648 to 2147483647, found " << quoted(word) << ".\n";
        }
        return false;
    }
    return true;
}

// Writes the label, each value followed by one space, and a line end. Values are formatted into
// a block that is written whole, rather than with a call per value.
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

// Everything up to the final prompt. Returns false after writing an error line. The list is
// released on the way out, before the final prompt.
bool converse(std::istream& input, std::ostream& output, std::ostream& errors) {
    prompt(output, "Please input the number of elements: ");
    const std::optional<std::int32_t> count = read_count(input, output, errors);
    if (!count) {
        return false;
    }
    const List list = obtain_list(*count);
    if (!list) {
        begin_error(output, errors) << "cannot obtain storage for " << *count << " integers.\n";
        return false;
    }
    prompt(output, "Please input " + std::to_string(*count) + " integers: ");
    if (!read_values(input, output, errors, list.get(), *count)) {
        return false;
    }

    output << "\n************** Result **************\n";
    write_list(output, "The input array is: ", list.get(), *count);
    const std::int64_t total = count_inversions(list.get(), *count);
    if (total == scratch_unavailable) {
        begin_error(output, errors)
            << "cannot obtain scratch storage to sort " << *count << " integers.\n";
        return false;
    }
    write_list(output, "The sorted array is: ", list.get(), *count);
    output << "The number of inversions is " << total << ".\n\n";
    return true;
}

}  // namespace

int run_dialogue(std::istream& input, std::ostream& output, std::ostream& errors) {
    bool succeeded = converse(input, output, errors);
    if (!succeeded) {
        output << '\n';
    }
    prompt(output, "Press ENTER to return.");
    // Output lost to a full disk or a closed stream must not pass for success.
    if (succeeded && !output) {
        errors << "Error: cannot write the output.\n";
        succeeded = false;
    }
    return succeeded ? 0 : 1;
}
