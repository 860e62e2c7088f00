// The yardstick for the whole program's speed: the same job, the same output bytes for valid
// input, written as a careful programmer would with the standard library alone. Standard input
// is read a mebibyte at a time and parsed with std::from_chars; the values are sorted by a
// textbook merge sort (one scratch array for the whole sort, a branch-free merge that counts
// the inversions as it goes); the lists are written with std::to_chars into a buffer of the
// same size. It checks nothing: it is for timing on well-formed input.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

class Input {
  public:
    // The next number; the input's end reads as 0.
    std::int32_t next() {
        while (at_ != end_ || refill()) {
            if (*at_ == ' ' || (*at_ >= '\t' && *at_ <= '\r')) {
                ++at_;
                continue;
            }
            // A number that may cross the buffer's end is moved to its start first.
            if (end_ - at_ < 16 && !ended_) {
                refill();
            }
            std::int32_t value = 0;
            at_ = std::from_chars(at_, end_, value).ptr;
            return value;
        }
        return 0;
    }

  private:
    bool refill() {
        const std::size_t kept = static_cast<std::size_t>(end_ - at_);
        std::memmove(buffer_.data(), at_, kept);
        const ssize_t got = read(STDIN_FILENO, buffer_.data() + kept, buffer_.size() - kept);
        ended_ = got <= 0;
        at_ = buffer_.data();
        end_ = at_ + kept + (got > 0 ? got : 0);
        return at_ != end_;
    }

    std::vector<char> buffer_ = std::vector<char>(std::size_t{1} << 20);
    const char* at_ = nullptr;
    const char* end_ = nullptr;
    bool ended_ = false;
};

class Output {
  public:
    ~Output() {
        flush();
    }
    void text(std::string_view text) {
        room(text.size());
        used_ = std::copy(text.begin(), text.end(), used_);
    }
    void number(std::int64_t value) {
        room(24);
        used_ = std::to_chars(used_, buffer_.data() + buffer_.size(), value).ptr;
    }
    void flush() {
        for (const char* at = buffer_.data(); at != used_;) {
            const ssize_t written = write(STDOUT_FILENO, at, static_cast<std::size_t>(used_ - at));
            if (written <= 0) {
                break;
            }
            at += written;
        }
        used_ = buffer_.data();
    }

  private:
    void room(std::size_t size) {
        if (static_cast<std::size_t>(buffer_.data() + buffer_.size() - used_) < size) {
            flush();
        }
    }

    std::vector<char> buffer_ = std::vector<char>(std::size_t{1} << 20);
    char* used_ = buffer_.data();
};

void write_list(Output& output, std::string_view label, const std::vector<std::int32_t>& values) {
    output.text(label);
    for (const std::int32_t value : values) {
        output.number(value);
        output.text(" ");
    }
    output.text("\n");
}

// Sorts values[0 .. count-1] with scratch of the same size; returns the inversions.
std::int64_t sort(std::int32_t* values, std::int32_t* scratch, std::size_t count) {
    if (count < 2) {
        return 0;
    }
    const std::size_t half = count / 2;
    std::int64_t total =
        sort(values, scratch, half) + sort(values + half, scratch + half, count - half);
    std::copy(values, values + count, scratch);
    // Branch-free: the comparison picks the element and moves one index, with no jump.
    std::size_t left = 0;
    std::size_t right = half;
    std::size_t out = 0;
    while (left != half && right != count) {
        const std::int32_t left_value = scratch[left];
        const std::int32_t right_value = scratch[right];
        const std::size_t take_right = right_value < left_value;
        values[out++] = take_right != 0 ? right_value : left_value;
        total += static_cast<std::int64_t>(take_right * (half - left));
        left += 1 - take_right;
        right += take_right;
    }
    out =
        static_cast<std::size_t>(std::copy(scratch + left, scratch + half, values + out) - values);
    std::copy(scratch + right, scratch + count, values + out);
    return total;
}

}  // namespace

int main() {
    Input input;
    Output output;
    output.text("Please input the number of elements: ");
    const std::int32_t count = input.next();
    output.text("Please input ");
    output.number(count);
    output.text(" integers: ");
    std::vector<std::int32_t> values(static_cast<std::size_t>(count));
    for (std::int32_t& value : values) {
        value = input.next();
    }
    output.text("\n************** Result **************\n");
    write_list(output, "The input array is: ", values);
    std::vector<std::int32_t> scratch(values.size());
    const std::int64_t total = sort(values.data(), scratch.data(), values.size());
    write_list(output, "The sorted array is: ", values);
    output.text("The number of inversions is ");
    output.number(total);
    output.text(".\n\nPress ENTER to return.");
}
