#include "dialogue/dialogue.h"

#include <charconv>
#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "inversions/inversions.h"

namespace {

using List = std::unique_ptr<std::int32_t[]>;

constexpr std::int32_t largest_count = std::numeric_limits<std::int32_t>::max();

// What reading one word of input as a whole number found.
enum class Found { number, end_of_input, not_whole, out_of_range };

// One word of input: a run of characters between white space. Its start is kept for errors.
struct Word {
    Found found = Found::end_of_input;
    std::int32_t number = 0;
    char start[32] = {};
    std::size_t start_length = 0;
    bool longer_than_start = false;
};

// The characters that separate numbers: those that isspace accepts in the C locale.
bool is_white_space(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(int c) {
    return c >= '0' && c <= '9';
}

void keep(Word& word, int c) {
    if (word.start_length < sizeof word.start) {
        word.start[word.start_length++] = static_cast<char>(c);
    } else {
        word.longer_than_start = true;
    }
}

// Reads the next word as an optional sign and decimal digits. The whole word must be a number:
// "12abc" and "2.5" are not whole numbers. The character after the word is left unread, so at
// a terminal no more is asked for than the word's own line.
Word read_word(std::FILE* input) {
    Word word;
    int c = std::getc(input);
    while (is_white_space(c)) {
        c = std::getc(input);
    }
    if (c == EOF) {
        return word;
    }
    // Once the magnitude passes 2^31 the word is out of range whatever follows, so it stops
    // growing there and cannot overflow.
    constexpr std::int64_t magnitude_limit = std::int64_t{1} << 31;
    std::int64_t magnitude = 0;
    bool negative = false;
    bool has_digits = false;
    bool only_sign_and_digits = true;
    for (; c != EOF && !is_white_space(c); c = std::getc(input)) {
        const bool at_start = word.start_length == 0;
        keep(word, c);
        if (is_digit(c)) {
            has_digits = true;
            if (magnitude <= magnitude_limit) {
                magnitude = magnitude * 10 + (c - '0');
            }
        } else if (at_start && (c == '+' || c == '-')) {
            negative = c == '-';
        } else {
            only_sign_and_digits = false;
        }
    }
    if (c != EOF) {
        std::ungetc(c, input);
    }

    const std::int64_t value = negative ? -magnitude : magnitude;
    if (!has_digits || !only_sign_and_digits) {
        word.found = Found::not_whole;
    } else if (value < std::numeric_limits<std::int32_t>::min() ||
               value > std::numeric_limits<std::int32_t>::max()) {
        word.found = Found::out_of_range;
    } else {
        word.found = Found::number;
        word.number = static_cast<std::int32_t>(value);
    }
    return word;
}

// The word in double quotes, fit for one line of a message: anything but printable ASCII is
// shown as \xNN, and a long word is cut short with "...".
std::string quoted(const Word& word) {
    constexpr char hex_digits[] = "0123456789ABCDEF";
    std::string text = "\"";
    for (std::size_t i = 0; i < word.start_length; ++i) {
        const auto byte = static_cast<unsigned char>(word.start[i]);
        if (byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\') {
            text += static_cast<char>(byte);
        } else {
            text += "\\x";
            text += hex_digits[byte >> 4];
            text += hex_digits[byte & 0xF];
        }
    }
    text += word.longer_than_start ? "...\"" : "\"";
    return text;
}

// Starts an error line. What was already written to output goes first, so that on a terminal
// the error appears after it.
void begin_error(std::FILE* output, std::FILE* errors) {
    std::fflush(output);
    std::fputs("Error: ", errors);
}

// Prompts end without a line end; flushing shows them before the read that follows.
void prompt(std::FILE* output, const char* text) {
    std::fputs(text, output);
    std::fflush(output);
}

std::optional<std::int32_t> read_count(std::FILE* input, std::FILE* output, std::FILE* errors) {
    const Word word = read_word(input);
    if (word.found == Found::number && word.number >= 0) {
        return word.number;
    }
    begin_error(output, errors);
    if (word.found == Found::end_of_input) {
        std::fputs("expected the number of elements, but the input ended.\n", errors);
    } else if (word.found == Found::not_whole) {
        std::fprintf(errors, "expected the number of elements as a whole number, found %s.\n",
                     quoted(word).c_str());
    } else {
        std::fprintf(errors, "the number of elements must be from 0 to %" PRId32 ", found %s.\n",
                     largest_count, quoted(word).c_str());
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

bool read_values(std::FILE* input, std::FILE* output, std::FILE* errors, std::int32_t* values,
                 std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) {
        const Word word = read_word(input);
        if (word.found == Found::number) {
            values[i] = word.number;
            continue;
        }
        begin_error(output, errors);
        if (word.found == Found::end_of_input) {
            std::fprintf(errors,
                         "expected %" PRId32 " integers, but the input ended after %" PRId32 ".\n",
                         count, i);
        } else if (word.found == Found::not_whole) {
            std::fprintf(errors,
                         "expected integer %" PRId32 " of %" PRId32
                         " as a whole number, found %s.\n",
                         i + 1, count, quoted(word).c_str());
        } else {
            std::fprintf(errors,
                         "integer %" PRId32 " of %" PRId32
                         " must be from -2147483648 to 2147483647, found %s.\n",
                         i + 1, count, quoted(word).c_str());
        }
        return false;
    }
    return true;
}

// Writes the label, each value followed by one space, and a line end. Values are formatted into
// a block that is written whole, rather than with a call per value.
void write_list(std::FILE* output, const char* label, const std::int32_t* values,
                std::int32_t count) {
    constexpr std::size_t widest_value = sizeof "-2147483648 " - 1;
    char block[1 << 16];
    std::size_t used = 0;
    std::fputs(label, output);
    for (std::int32_t i = 0; i < count; ++i) {
        if (sizeof block - used < widest_value) {
            std::fwrite(block, 1, used, output);
            used = 0;
        }
        char* end = std::to_chars(block + used, std::end(block), values[i]).ptr;
        *end++ = ' ';
        used = static_cast<std::size_t>(end - block);
    }
    std::fwrite(block, 1, used, output);
    std::fputc('\n', output);
}

// Everything up to the final prompt. Returns false after writing an error line. The list is
// released on the way out, before the final prompt.
bool converse(std::FILE* input, std::FILE* output, std::FILE* errors) {
    prompt(output, "Please input the number of elements: ");
    const std::optional<std::int32_t> count = read_count(input, output, errors);
    if (!count) {
        return false;
    }
    const List list = obtain_list(*count);
    if (!list) {
        begin_error(output, errors);
        std::fprintf(errors, "cannot obtain storage for %" PRId32 " integers.\n", *count);
        return false;
    }
    std::fprintf(output, "Please input %" PRId32 " integers: ", *count);
    std::fflush(output);
    if (!read_values(input, output, errors, list.get(), *count)) {
        return false;
    }

    std::fputs("\n************** Result **************\n", output);
    write_list(output, "The input array is: ", list.get(), *count);
    const std::int64_t total = count_inversions(list.get(), *count);
    if (total == scratch_unavailable) {
        begin_error(output, errors);
        std::fprintf(errors, "cannot obtain scratch storage to sort %" PRId32 " integers.\n",
                     *count);
        return false;
    }
    write_list(output, "The sorted array is: ", list.get(), *count);
    std::fprintf(output, "The number of inversions is %" PRId64 ".\n\n", total);
    return true;
}

}  // namespace

int run_dialogue(std::FILE* input, std::FILE* output, std::FILE* errors) {
    bool succeeded = converse(input, output, errors);
    if (!succeeded) {
        std::fputc('\n', output);
    }
    prompt(output, "Press ENTER to return.");
    // Output lost to a full disk or a closed stream must not pass for success.
    if (succeeded && std::ferror(output)) {
        std::fputs("Error: cannot write the output.\n", errors);
        succeeded = false;
    }
    return succeeded ? 0 : 1;
}
