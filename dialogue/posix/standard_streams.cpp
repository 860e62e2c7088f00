#include "standard_streams.h"

#include <sys/select.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <optional>

#include "dialogue/platform.h"
#include "terminal.h"

namespace {

// A non-blocking descriptor that has nothing to read, or no room to write, yet: waits until it
// has, and says whether to try again.
bool waited(int descriptor, bool writing) {
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

// Calls transfer, a read or a write of descriptor, again where it failed only for a signal's
// handler, or for a non-blocking descriptor that was not ready.
template <typename Transfer>
ssize_t retry(int descriptor, bool writing, Transfer transfer) {
    ssize_t done = transfer();
    while (done < 0 && (errno == EINTR || waited(descriptor, writing))) {
        done = transfer();
    }
    return done;
}

}  // namespace

int StandardOutput::write(const char* bytes, std::size_t size) {
    while (size != 0) {
        const ssize_t written = retry(descriptor_, true, [&] {
            return ::write(descriptor_, bytes, size < SSIZE_MAX ? size : SSIZE_MAX);
        });
        if (written <= 0) {
            return written < 0 ? errno : EIO;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

// Typed at the terminal with the result shown there, the program edits the lines itself. Where
// the output goes elsewhere (a pager, a file), the terminal may be another program's to set:
// its settings are left alone, and what it delivers is read as it comes.
bool StandardInput::edits_lines() const {
    return screen_.shows().input && screen_.shows().output;
}

std::ptrdiff_t StandardInput::read(char* buffer, std::size_t capacity) {
    std::optional<std::ptrdiff_t> line;
    if (edits_lines()) {
        line = lines_.read(buffer, capacity, error_);
    }
    std::ptrdiff_t got = line.value_or(0);
    if (!line) {
        got = retry(STDIN_FILENO, false, [&] {
            return ::read(STDIN_FILENO, buffer, capacity < SSIZE_MAX ? capacity : SSIZE_MAX);
        });
        error_ = got < 0 ? errno : 0;
    }
    if (got > 0 && screen_.shows().input) {
        screen_.typed(buffer[got - 1] != '\n');
    }
    return got < 0 ? -1 : got;
}

void StandardInput::about_to_ask() {
    if (edits_lines()) {
        lines_.take();
    }
}

// On a pipe or a terminal the step back fails, and nothing is lost that was not already gone.
void StandardInput::give_back(std::size_t count) {
    lines_.end();
    if (count != 0) {
        lseek(STDIN_FILENO, -static_cast<off_t>(count), SEEK_CUR);
    }
}

int with_standard_streams(int (*run)(const StandardStreams& streams)) {
    StandardOutput output(STDOUT_FILENO);
    StandardOutput errors(STDERR_FILENO);
    Screen screen(streams_on_screen());
    StandardInput input(screen);
    return run({input, output, errors, screen});
}
