#include "dialogue/read_numbers.h"

#include <algorithm>
#include <cstdint>
#include <ios>
#include <limits>

namespace {

// The characters that separate numbers: those that isspace accepts in the C locale, which are
// the space and \t \n \v \f \r.
bool is_white_space(int c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool is_digit(int c) {
    return c >= '0' && c <= '9';
}

// std::streambuf shows the characters it holds but has not yet handed out (its get area) only
// to its own kind. Naming the members through a class of that kind opens them to the reader.
struct GetArea : std::streambuf {
    static const char* end(std::streambuf& buffer) {
        return (buffer.*&GetArea::egptr)();
    }
    static const char* start(std::streambuf& buffer) {
        return (buffer.*&GetArea::eback)();
    }
};

}  // namespace

int NumberReader::look() {
    if (ended_) {
        return end_of_input;
    }
    try {
        const int c = source_.sgetc();
        ended_ = c == end_of_input;
        return c;
    } catch (const std::ios_base::failure& failure) {
        // A file stream's buffer throws when the system refuses a read.
        read_error_ = failure.code().message();
    }
    ended_ = true;
    return end_of_input;
}

int NumberReader::take() {
    last_taken_ = source_.sbumpc();
    return look();
}

void NumberReader::keep(int c) {
    if (length_ < sizeof start_) {
        start_[length_] = static_cast<char>(c);
    }
    ++length_;
}

bool NumberReader::pass_byte_order_mark() {
    int c = look();
    if (c == 0xFE || c == 0xFF) {
        keep(c);
        // FE FF is UTF-16 big-endian, FF FE little-endian.
        if (take() == (c ^ 1)) {
            return false;
        }
    } else if (c == 0xEF) {
        keep(c);
        if (take() == 0xBB) {
            keep(0xBB);
            if (take() == 0xBF) {
                take();
                length_ = 0;
                return true;
            }
        }
    }
    // Bytes of a mark that did not complete begin the first word.
    for (c = look(); length_ != 0 && c != end_of_input && !is_white_space(c); c = take()) {
        keep(c);
    }
    begun_word_ = length_ != 0;
    return true;
}

Found NumberReader::read(std::int32_t& number) {
    if (begun_word_) {
        begun_word_ = false;
        return read_error_.empty() ? Found::not_whole : Found::unreadable;
    }
    int c = look();
    while (is_white_space(c)) {
        c = take();
    }
    length_ = 0;
    if (c == end_of_input) {
        return read_error_.empty() ? Found::end_of_input : Found::unreadable;
    }

    const bool negative = c == '-';
    if (c == '-' || c == '+') {
        keep(c);
        c = take();
    }
    // Once the magnitude passes 2^31 the number is out of range whatever follows, so it stops
    // growing there and cannot overflow.
    constexpr std::int64_t magnitude_limit = std::int64_t{1} << 31;
    std::int64_t magnitude = 0;
    const std::size_t digits_start = length_;
    for (; is_digit(c); c = take()) {
        keep(c);
        if (magnitude <= magnitude_limit) {
            magnitude = magnitude * 10 + (c - '0');
        }
    }
    const bool has_digits = length_ > digits_start;
    const std::size_t digits_end = length_;
    for (; c != end_of_input && !is_white_space(c); c = take()) {
        keep(c);
    }

    // A word cut short by a failing source is not a word at all.
    if (!read_error_.empty()) {
        return Found::unreadable;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (!has_digits || length_ > digits_end) {
        return Found::not_whole;
    }
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return Found::out_of_range;
    }
    number = static_cast<std::int32_t>(value);
    return Found::number;
}

std::string NumberReader::quoted_word() const {
    constexpr char hex_digits[] = "0123456789ABCDEF";
    std::string text = "\"";
    const std::size_t shown = std::min(length_, sizeof start_);
    for (std::size_t i = 0; i < shown; ++i) {
        const auto byte = static_cast<unsigned char>(start_[i]);
        if (byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\') {
            text += static_cast<char>(byte);
        } else {
            text += "\\x";
            text += hex_digits[byte >> 4];
            text += hex_digits[byte & 0xF];
        }
    }
    text += length_ > shown ? "...\"" : "\"";
    return text;
}

bool NumberReader::at_line_start() const {
    // Until the input ends, the source still holds the rest of what it last delivered: at a
    // terminal, the rest of the typed line.
    const char* const start = GetArea::start(source_);
    const char* const end = GetArea::end(source_);
    if (!ended_ && start != end) {
        return end[-1] == '\n';
    }
    return last_taken_ == '\n';
}

void NumberReader::give_back_unread() {
    const std::streampos here = source_.pubseekoff(0, std::ios_base::cur, std::ios_base::in);
    if (here != std::streampos(std::streamoff(-1))) {
        // Seeking to where it already is makes a file's buffer set the file's own offset there.
        source_.pubseekpos(here, std::ios_base::in);
    }
}
