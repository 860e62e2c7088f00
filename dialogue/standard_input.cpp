#include <cerrno>
#include <climits>
#include <cstring>
#include <system_error>

#include "dialogue/input_source.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr int standard_input = 0;

#ifdef _WIN32
// _read takes an unsigned count and returns an int.
constexpr std::size_t largest_read = INT_MAX;

std::ptrdiff_t read_some(char* buffer, std::size_t capacity) {
    return _read(standard_input, buffer, static_cast<unsigned>(capacity));
}

void step_back(std::size_t count) {
    _lseeki64(standard_input, -static_cast<long long>(count), SEEK_CUR);
}
#else
constexpr std::size_t largest_read = SSIZE_MAX;

std::ptrdiff_t read_some(char* buffer, std::size_t capacity) {
    return ::read(standard_input, buffer, capacity);
}

void step_back(std::size_t count) {
    lseek(standard_input, -static_cast<off_t>(count), SEEK_CUR);
}
#endif

}  // namespace

StandardInput::StandardInput() {
#ifdef _WIN32
    _setmode(standard_input, _O_BINARY);
#endif
}

std::ptrdiff_t StandardInput::read(char* buffer, std::size_t capacity) {
    if (held_back_ != 0) {
        return 0;  // a Ctrl+Z ended the input
    }
    std::ptrdiff_t got = -1;
    do {
        got = read_some(buffer, capacity < largest_read ? capacity : largest_read);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        error_ = errno;
        return -1;
    }
    line_open_ = got > 0 && buffer[got - 1] != '\n';
#ifdef _WIN32
    if (const void* end = std::memchr(buffer, 0x1A, static_cast<std::size_t>(got))) {
        const std::ptrdiff_t delivered = static_cast<const char*>(end) - buffer;
        held_back_ = static_cast<std::size_t>(got - delivered);
        return delivered;
    }
#endif
    return got;
}

std::string StandardInput::error() const {
    return std::generic_category().message(error_);
}

void StandardInput::discard_rest_of_line() {
#ifdef _WIN32
    DWORD mode = 0;
    if (!line_open_ || held_back_ != 0 || !GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode)) {
        return;
    }
    // The console hands over the rest of the line, at most a read at a time, and no more.
    char rest[256];
    int got = 0;
    do {
        got = _read(standard_input, rest, sizeof rest);
    } while (got > 0 && rest[got - 1] != '\n');
#endif
}

void StandardInput::give_back(std::size_t count) {
    // On a pipe or a terminal this fails, and nothing is lost that was not already gone.
    if (count + held_back_ != 0) {
        step_back(count + held_back_);
    }
}
