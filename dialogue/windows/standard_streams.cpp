#include "standard_streams.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>  // SEEK_CUR
#include <cstring>

#include "console.h"
#include "dialogue/platform.h"

namespace {

constexpr int standard_input = 0;

// The most bytes taken from the console at a time where they are turned into UTF-8.
constexpr int typed_at_most = 4096;

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

// How many of the last bytes of text, at most size of them, begin a UTF-8 character that goes
// on past its end.
std::size_t cut_character(const char* text, std::size_t size) {
    for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
        const auto byte = static_cast<unsigned char>(text[size - back]);
        if ((byte & 0xC0) != 0x80) {
            const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
            return length > back ? back : 0;
        }
    }
    return 0;
}

// Typed text in the console's input code page, size bytes of it at text, as UTF-8 in place,
// where capacity leaves room for it. Returns the new size.
int typed_as_utf8(char* text, int size, std::size_t capacity, UINT code_page) {
    wchar_t wide[typed_at_most];
    const int characters = MultiByteToWideChar(code_page, 0, text, size, wide, typed_at_most);
    if (characters <= 0) {
        return size;
    }
    const int converted = WideCharToMultiByte(CP_UTF8, 0, wide, characters, text,
                                              static_cast<int>(capacity), nullptr, nullptr);
    return converted > 0 ? converted : size;
}

}  // namespace

// Binary, with the CR before each line end added below: text mode would write a large block in
// many small pieces, and the output has only a few line ends.
StandardOutput::StandardOutput(int descriptor) : descriptor_(descriptor) {
    _setmode(descriptor_, _O_BINARY);
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor_));  // NOLINT
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
        console_ = handle;
    }
}

// On the console, as UTF-16: a character cut at the end waits for the rest of it.
int StandardOutput::write_piece(const char* bytes, std::size_t size) {
    if (console_ == nullptr) {
        return write_all(descriptor_, bytes, size);
    }
    while (size != 0) {
        char text[1024];
        std::size_t filled = cut_size_;
        std::memcpy(text, cut_, cut_size_);
        const std::size_t taken = std::min(size, sizeof text - filled);
        std::memcpy(text + filled, bytes, taken);
        filled += taken;
        bytes += taken;
        size -= taken;
        cut_size_ = cut_character(text, filled);
        filled -= cut_size_;
        std::memcpy(cut_, text + filled, cut_size_);
        if (filled == 0) {
            return 0;
        }
        wchar_t wide[sizeof text];
        const int characters = MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(filled),
                                                   wide, static_cast<int>(sizeof text));
        DWORD written = 0;
        if (characters <= 0 ||
            !WriteConsoleW(console_, wide, static_cast<DWORD>(characters), &written, nullptr)) {
            return EIO;
        }
    }
    return 0;
}

int StandardOutput::write(const char* bytes, std::size_t size) {
    while (const void* line_end = std::memchr(bytes, '\n', size)) {
        const auto line = static_cast<std::size_t>(static_cast<const char*>(line_end) - bytes);
        int error = write_piece(bytes, line);
        if (error == 0) {
            error = write_piece("\r\n", 2);
        }
        if (error != 0) {
            return error;
        }
        bytes += line + 1;
        size -= line + 1;
    }
    return write_piece(bytes, size);
}

StandardInput::StandardInput(Screen& screen) : screen_(screen) {
    _setmode(standard_input, _O_BINARY);
}

std::ptrdiff_t StandardInput::read(char* buffer, std::size_t capacity) {
    if (held_back_ != 0) {
        return 0;  // a Ctrl+Z ended the input
    }
    // A byte of the console's code page may take three of UTF-8.
    const UINT code_page = screen_.shows().input ? GetConsoleCP() : CP_UTF8;
    const bool in_code_page = code_page != CP_UTF8 && code_page != 0 && capacity >= 3;
    const std::size_t room = in_code_page ? std::min<std::size_t>(capacity / 3, typed_at_most)
                                          : capacity;
    int got = _read(standard_input, buffer, at_most_int(room));
    error_ = got < 0 ? errno : 0;
    if (got > 0 && in_code_page) {
        got = typed_as_utf8(buffer, got, capacity, code_page);
    }
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
