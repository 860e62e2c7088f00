#include "dialogue/number_reader.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>

#include "dialogue/character_words.h"

namespace {

// The characters that separate numbers: those that isspace accepts in the C locale, which are
// the space and \t \n \v \f \r.
bool is_white_space(int c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool is_digit(int c) {
    return c >= '0' && c <= '9';
}

// Eight characters at a time, as one 64-bit word whose lowest byte is the first character.
constexpr std::uint64_t each_byte(std::uint8_t byte) {
    return std::uint64_t{0x0101010101010101} * byte;
}

// How many of the eight characters, from the first, are decimal digits. A digit's byte XOR '0'
// is 0 to 9; adding 0x76 sets the top bit of any byte above 9, and a byte that already had it
// keeps it through the OR. A carry out of a non-digit byte only reaches the bytes after it.
int leading_digits(std::uint64_t word) {
    const std::uint64_t values = word ^ each_byte('0');
    const std::uint64_t non_digits = ((values + each_byte(0x76)) | values) & each_byte(0x80);
    return std::countr_zero(non_digits) / 8;
}

// The value of eight digit characters, the first one the most significant: pairs of digits,
// then fours, then all eight, each step one multiply. Digits shifted in from below as zero
// bytes count as leading zeros.
std::uint64_t eight_digit_value(std::uint64_t word) {
    word = ((word & each_byte(0x0F)) * (10 * 0x100 + 1)) >> 8;
    word = ((word & 0x00FF00FF00FF00FF) * (100 * 0x10000 + 1)) >> 16;
    return ((word & 0x0000FFFF0000FFFF) * (10000 * 0x100000000 + 1)) >> 32;
}

// The value of the first count (1 to 8) digit characters of word.
std::uint64_t digits_value(std::uint64_t word, int count) {
    return eight_digit_value(word << (64 - 8 * count));
}

// What reading in place needs to find in its range: a sign, two words of eight characters,
// and the character after a number of at most ten digits among them.
constexpr std::ptrdiff_t in_place_span = 17;

// Large reads from a file; a terminal or a pipe hands over less, what it has.
constexpr std::size_t buffer_size = std::size_t{1} << 16;

}  // namespace

NumberReader::NumberReader(InputSource& source) : source_(source), buffer_(buffer_size) {}

int NumberReader::look() {
    if (next_ != end_) {
        return static_cast<unsigned char>(*next_);
    }
    if (ended_) {
        return end_of_input;
    }
    // The lines of this delivery are counted once, as it is done with; a word that goes on into
    // the next keeps its place.
    if (word_begin_ != nullptr) {
        word_place_ = count_to(word_begin_);
        word_begin_ = nullptr;
    }
    count_to(end_);
    if (!deliver(0)) {
        return end_of_input;
    }
    return static_cast<unsigned char>(*next_);
}

bool NumberReader::deliver(std::size_t at) {
    const std::ptrdiff_t got = source_.read(buffer_.data() + at, buffer_.capacity() - at);
    if (got <= 0) {
        ended_ = true;
        if (got < 0) {
            // An error that names no reason is still an error, and shows as the generic one.
            const int error = source_.error();
            read_error_ = error != 0 ? error : EIO;
        }
        return false;
    }
    if (at == 0) {
        next_ = counted_to_ = buffer_.data();
    }
    end_ = buffer_.data() + at + got;
    return true;
}

int NumberReader::look_second() {
    if (end_ - next_ == 1 && !ended_) {
        deliver(static_cast<std::size_t>(end_ - buffer_.data()));
    }
    return end_ - next_ >= 2 ? static_cast<unsigned char>(next_[1]) : end_of_input;
}

int NumberReader::consume() {
    ++next_;
    return look();
}

const Place& NumberReader::count_to(const char* at) {
    counted_ = place_after(counted_, counted_to_, at);
    counted_to_ = at;
    return counted_;
}

Place NumberReader::word_place() {
    return word_begin_ != nullptr ? count_to(word_begin_) : word_place_;
}

std::int64_t NumberReader::last_line() {
    const Place end = count_to(end_);
    return end.column == 1 && end.line > 1 ? end.line - 1 : end.line;
}

void NumberReader::keep(int c) {
    if (length_ < sizeof start_) {
        start_[length_] = static_cast<char>(c);
    }
    ++length_;
}

// True while c goes on the word: not the end, nor white space, nor past the longest word.
bool NumberReader::within_word(int c) const {
    return c != end_of_input && !is_white_space(c) && length_ < longest_word;
}

bool NumberReader::pass_byte_order_mark() {
    int c = look();
    word_begin_ = next_;
    // The first character of a list, beside a NUL: UTF-16 without a mark, either byte order.
    const auto starts_list = [](int byte) {
        return is_digit(byte) || byte == '-' || byte == '+' || is_white_space(byte);
    };
    if (c == 0 || starts_list(c)) {
        const int second = look_second();
        if (c == 0 ? starts_list(second) : second == 0) {
            return false;
        }
    }
    if (c == 0xFE || c == 0xFF) {
        keep(c);
        // FE FF is UTF-16 big-endian, FF FE little-endian.
        if (consume() == (c ^ 1)) {
            consume();  // the whole mark is the offending word
            return false;
        }
    } else if (c == 0xEF) {
        keep(c);
        if (consume() == 0xBB) {
            keep(0xBB);
            if (consume() == 0xBF) {
                consume();
                length_ = 0;
                // Lines and columns are counted from the first character after the mark.
                word_begin_ = nullptr;
                counted_ = Place{};
                counted_to_ = next_;
                return true;
            }
        }
    }
    // Bytes of a mark that did not complete begin the first word.
    for (c = look(); length_ != 0 && within_word(c); c = consume()) {
        keep(c);
    }
    begun_word_ = length_ != 0;
    return true;
}

namespace {

// How many line feeds there are from text to end: counted in blocks short enough that a count
// a byte wide cannot wrap, which the compiler keeps in the lanes of a vector (std::count's
// count as wide as a pointer takes three times as long).
std::ptrdiff_t count_line_feeds(const char* text, const char* end) {
    constexpr std::ptrdiff_t block = 240;  // fifteen 16-byte vectors
    std::ptrdiff_t total = 0;
    while (text != end) {
        const char* const block_end = text + std::min(block, end - text);
        std::uint8_t count = 0;
        for (; text != block_end; ++text) {
            count = static_cast<std::uint8_t>(count + (*text == '\n'));
        }
        total += count;
    }
    return total;
}

}  // namespace

// Everything before a word on its line is white space and numbers, which are ASCII, so there
// its bytes are its characters.
Place place_after(Place place, const char* text, const char* end) {
    const std::ptrdiff_t line_ends = count_line_feeds(text, end);
    if (line_ends != 0) {
        place.line += line_ends;
        place.column = 1;
        text = std::find(std::make_reverse_iterator(end), std::make_reverse_iterator(text), '\n')
                   .base();
    }
    place.column += end - text;
    return place;
}

const char* read_in_place(const char* word, const char* end, std::int32_t& number) {
    if (end - word < in_place_span) {
        return nullptr;
    }
    const bool negative = *word == '-';
    const char* const digits = word + (negative || *word == '+');

    const std::uint64_t first_eight = load_eight(digits);
    int count = leading_digits(first_eight);
    std::uint64_t magnitude = 0;
    if (count == 0) {
        return nullptr;
    } else if (count < 8) {
        magnitude = digits_value(first_eight, count);
    } else {
        const std::uint64_t next_eight = load_eight(digits + 8);
        const int more = leading_digits(next_eight);
        if (more > 2) {
            return nullptr;  // out of range, or leading zeros: the slow path sorts it out
        }
        // Nine digits or ten come at random, so no jump tells them apart: shifted out whole,
        // the second word's digits add nothing where there are none.
        constexpr std::uint64_t scale[] = {1, 10, 100};
        const std::uint64_t next_digits = (next_eight << 1) << (63 - 8 * more);
        magnitude = eight_digit_value(first_eight) * scale[more] + eight_digit_value(next_digits);
        count += more;
    }
    const char* const after = digits + count;
    const std::uint64_t largest =
        std::uint64_t{std::numeric_limits<std::int32_t>::max()} + negative;
    if (!is_white_space(*after) || magnitude > largest) {
        return nullptr;
    }
    const auto value = static_cast<std::int64_t>(magnitude);
    number = static_cast<std::int32_t>(negative ? -value : value);
    return after;
}

// Most words are read in place, straight from the buffer; the slow path, a character at a
// time, knows every rule and every error, and takes a word that crosses the buffer's end.
Found NumberReader::read(std::int32_t& number) {
    if (begun_word_) {
        return read_slowly(number);
    }
    while (next_ != end_ && is_white_space(*next_)) {
        ++next_;
    }
    const char* const word = next_;
    const char* const after = read_in_place(word, end_, number);
    if (!after) {
        return read_slowly(number);
    }
    // Kept for a message about it, as a negative count needs: one 16-byte copy.
    std::memcpy(start_, word, 16);
    word_begin_ = word;
    length_ = static_cast<std::size_t>(after - word);
    next_ = after;
    return Found::number;
}

Found NumberReader::read_slowly(std::int32_t& number) {
    if (begun_word_) {
        begun_word_ = false;
        return read_error_ == 0 ? Found::not_whole : Found::unreadable;
    }
    int c = look();
    while (is_white_space(c)) {
        c = consume();
    }
    length_ = 0;
    word_begin_ = next_;
    if (c == end_of_input) {
        return read_error_ == 0 ? Found::end_of_input : Found::unreadable;
    }

    const bool negative = c == '-';
    if (c == '-' || c == '+') {
        keep(c);
        c = consume();
    }
    // Once the magnitude passes 2^31 the number is out of range whatever follows, so it stops
    // growing there and cannot overflow.
    constexpr std::int64_t magnitude_limit = std::int64_t{1} << 31;
    std::int64_t magnitude = 0;
    const std::size_t digits_start = length_;
    for (; is_digit(c) && within_word(c); c = consume()) {
        keep(c);
        if (magnitude <= magnitude_limit) {
            magnitude = magnitude * 10 + (c - '0');
        }
    }
    const bool has_digits = length_ > digits_start;
    const std::size_t digits_end = length_;
    for (; within_word(c); c = consume()) {
        keep(c);
    }

    // A word cut short by a failing source is not a word at all.
    if (read_error_ != 0) {
        return Found::unreadable;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (!has_digits || length_ > digits_end) {
        return Found::not_whole;
    }
    const bool cut_short = c != end_of_input && !is_white_space(c);  // at the longest word
    if (cut_short || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return Found::out_of_range;
    }
    number = static_cast<std::int32_t>(value);
    return Found::number;
}

void NumberReader::give_back_unread() {
    source_.give_back(static_cast<std::size_t>(end_ - next_));
    next_ = end_;
}
