// Standard input, output and error, read and written with the system's own calls.
#include <cerrno>
#include <climits>
#include <cstring>

#include "dialogue/input_source.h"
#include "dialogue/output.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <sys/select.h>
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

std::ptrdiff_t write_some(int descriptor, const char* bytes, std::size_t size) {
    return _write(descriptor, bytes,
                  static_cast<unsigned>(size < largest_read ? size : largest_read));
}

void step_back(std::size_t count) {
    _lseeki64(standard_input, -static_cast<long long>(count), SEEK_CUR);
}

// The C runtime's descriptors have no non-blocking mode.
bool not_yet(int, bool) {
    return false;
}
#else
constexpr std::size_t largest_read = SSIZE_MAX;

std::ptrdiff_t read_some(char* buffer, std::size_t capacity) {
    return ::read(standard_input, buffer, capacity);
}

std::ptrdiff_t write_some(int descriptor, const char* bytes, std::size_t size) {
    return ::write(descriptor, bytes, size < largest_read ? size : largest_read);
}

void step_back(std::size_t count) {
    lseek(standard_input, -static_cast<off_t>(count), SEEK_CUR);
}

// A non-blocking descriptor that has nothing to read, or no room to write, yet: waits until it
// has, and says whether to try again.
bool not_yet(int descriptor, bool writing) {
    if ((errno != EAGAIN && errno != EWOULDBLOCK) || descriptor >= FD_SETSIZE) {
        return false;
    }
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(descriptor, &ready);
    select(descriptor + 1, writing ? nullptr : &ready, writing ? &ready : nullptr, nullptr,
           nullptr);
    return true;
}
#endif

// Writes all size bytes; returns 0, or the system's error number.
int write_all(int descriptor, const char* bytes, std::size_t size) {
    while (size != 0) {
        const std::ptrdiff_t written = write_some(descriptor, bytes, size);
        if (written < 0 && (errno == EINTR || not_yet(descriptor, true))) {
            continue;
        }
        if (written <= 0) {
            return written < 0 ? errno : EIO;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

}  // namespace

StandardInput::StandardInput(bool typed_at_terminal) : typed_at_terminal_(typed_at_terminal) {
#ifdef _WIN32
    _setmode(standard_input, _O_BINARY);
#endif
}

std::ptrdiff_t StandardInput::read_as_typed(char* buffer, std::size_t capacity) {
#ifndef _WIN32
    if (typed_at_terminal_) {
        const std::ptrdiff_t got = lines_.read(buffer, capacity, error_);
        if (got != TerminalLines::not_held) {
            return got;
        }
    }
#endif
    std::ptrdiff_t got = -1;
    do {
        got = read_some(buffer, capacity < largest_read ? capacity : largest_read);
    } while (got < 0 && (errno == EINTR || not_yet(standard_input, false)));
    error_ = got < 0 ? errno : 0;
    return got;
}

std::ptrdiff_t StandardInput::read(char* buffer, std::size_t capacity) {
    if (held_back_ != 0) {
        return 0;  // a Ctrl+Z ended the input
    }
    if (line_broken_) {
        line_broken_ = false;
        *buffer = '\n';
        return 1;
    }
    const std::ptrdiff_t got = read_as_typed(buffer, capacity);
    if (got < 0) {
        return -1;
    }
    line_open_ = got > 0 && buffer[got - 1] != '\n';
    if (got == 0) {
        return 0;
    }
    if (typed_at_terminal_) {
#ifdef _WIN32
        // The console hands a line over once Enter has ended it on the screen; a longer one in
        // parts, after that too.
        typed_ = Typed::at_line_start;
#else
        typed_ = line_open_ ? Typed::mid_line : Typed::at_line_start;
#endif
    }
#ifdef _WIN32
    if (const void* end = std::memchr(buffer, 0x1A, static_cast<std::size_t>(got))) {
        const std::ptrdiff_t delivered = static_cast<const char*>(end) - buffer;
        held_back_ = static_cast<std::size_t>(got - delivered);
        return delivered;
    }
#endif
    return got;
}

void StandardInput::about_to_ask() {
#ifndef _WIN32
    if (typed_at_terminal_) {
        lines_.take();
    }
#endif
}

void StandardInput::wrote_on_screen(std::size_t column) {
    if (!typed_at_terminal_) {
        return;
    }
    line_broken_ = line_broken_ || (column == 0 && typed_ == Typed::mid_line);
    typed_ = Typed::nothing;
#ifndef _WIN32
    lines_.begin_at_column(column);
#endif
}

int StandardInput::error() const {
    return error_;
}

// Not const, although it changes no member: it takes the console's input.
void StandardInput::discard_rest_of_line() {  // NOLINT(readability-make-member-function-const)
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
#ifndef _WIN32
    lines_.end();
#endif
    // On a pipe or a terminal this fails, and nothing is lost that was not already gone.
    if (count + held_back_ != 0) {
        step_back(count + held_back_);
    }
}

StandardOutput::StandardOutput(int descriptor) : descriptor_(descriptor) {
#ifdef _WIN32
    // Binary, with the CR before each line end added below: text mode would write a large
    // block in many small pieces, and the output has only a few line ends.
    _setmode(descriptor_, _O_BINARY);
#endif
}

int StandardOutput::write(const char* bytes, std::size_t size) {
#ifdef _WIN32
    while (const void* line_end = std::memchr(bytes, '\n', size)) {
        const auto line = static_cast<std::size_t>(static_cast<const char*>(line_end) - bytes);
        int error = write_all(descriptor_, bytes, line);
        if (error == 0) {
            error = write_all(descriptor_, "\r\n", 2);
        }
        if (error != 0) {
            return error;
        }
        bytes += line + 1;
        size -= line + 1;
    }
#endif
    return write_all(descriptor_, bytes, size);
}
