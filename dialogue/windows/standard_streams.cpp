#include "standard_streams.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <climits>
#include <cstdio>  // SEEK_CUR
#include <cstring>

#include "console.h"
#include "dialogue/platform.h"

namespace {

constexpr int standard_input = 0;

// _read and _write take an unsigned count and return an int.
unsigned at_most_int(std::size_t size) {
    return static_cast<unsigned>(size < INT_MAX ? size : INT_MAX);
}

// Writes all size bytes; returns 0, or the system's error number. The C runtime's descriptors
// have no non-blocking mode, nor signals that interrupt a write.
int write_all(int descriptor, const char* bytes, std::size_t size) {
    while (size != 0) {
        const int written = _write(descriptor, bytes, at_most_int(size));
        if (written <= 0) {
            return written < 0 ? errno : EIO;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

}  // namespace

// Binary, with the CR before each line end added below: text mode would write a large block in
// many small pieces, and the output has only a few line ends.
StandardOutput::StandardOutput(int descriptor) : descriptor_(descriptor) {
    _setmode(descriptor_, _O_BINARY);
}

int StandardOutput::write(const char* bytes, std::size_t size) {
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
    return write_all(descriptor_, bytes, size);
}

StandardInput::StandardInput(Screen& screen) : screen_(screen) {
    _setmode(standard_input, _O_BINARY);
}

std::ptrdiff_t StandardInput::read(char* buffer, std::size_t capacity) {
    if (held_back_ != 0) {
        return 0;  // a Ctrl+Z ended the input
    }
    const int got = _read(standard_input, buffer, at_most_int(capacity));
    error_ = got < 0 ? errno : 0;
    line_open_ = got > 0 && buffer[got - 1] != '\n';
    if (got <= 0) {
        return got < 0 ? -1 : 0;
    }
    // The console hands a line over once Enter has ended it on the screen; a longer one in
    // parts, after that too.
    if (screen_.shows().input) {
        screen_.typed(false);
    }
    if (const void* end = std::memchr(buffer, 0x1A, static_cast<std::size_t>(got))) {
        const std::ptrdiff_t delivered = static_cast<const char*>(end) - buffer;
        held_back_ = static_cast<std::size_t>(got - delivered);
        return delivered;
    }
    return got;
}

// On a pipe or the console this fails, and nothing is lost that was not already gone.
void StandardInput::give_back(std::size_t count) {
    if (count + held_back_ != 0) {
        _lseeki64(standard_input, -static_cast<long long>(count + held_back_), SEEK_CUR);
    }
}

// Not const, although it changes no member: it takes the console's input.
void StandardInput::discard_rest_of_line() {  // NOLINT(readability-make-member-function-const)
    if (!line_open_ || held_back_ != 0 || !on_console(STD_INPUT_HANDLE)) {
        return;
    }
    // The console hands over the rest of the line, at most a read at a time, and no more.
    char rest[256];
    int got = 0;
    do {
        got = _read(standard_input, rest, sizeof rest);
    } while (got > 0 && rest[got - 1] != '\n');
}

int with_standard_streams(int (*run)(const StandardStreams& streams)) {
    StandardOutput output(1);
    StandardOutput errors(2);
    Screen screen(streams_on_screen());
    StandardInput input(screen);
    const int status = run({input, output, errors, screen});
    input.discard_rest_of_line();
    return status;
}
