#include "dialogue/output.h"

#include <algorithm>
#include <charconv>
#include <cstring>

Output::Output(OutputTarget& target, std::size_t capacity) : target_(target), buffer_(capacity) {}

Output& Output::operator<<(std::string_view text) {
    while (!text.empty()) {
        if (used_ == buffer_.capacity()) {
            flush();
        }
        const std::size_t part = std::min(text.size(), buffer_.capacity() - used_);
        std::memcpy(buffer_.data() + used_, text.data(), part);
        used_ += part;
        text.remove_prefix(part);
    }
    return *this;
}

Output& Output::operator<<(char character) {
    *room(1) = character;
    ++used_;
    return *this;
}

Output& Output::operator<<(std::int64_t value) {
    constexpr std::size_t widest = 20;  // "-9223372036854775808"
    char* const place = room(widest);
    used(std::to_chars(place, place + widest, value).ptr);
    return *this;
}

void Output::flush() {
    if (used_ != 0 && error_ == 0) {
        error_ = target_.write(buffer_.data(), used_);
    }
    used_ = 0;
}
