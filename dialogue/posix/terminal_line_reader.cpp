#include "terminal_line_reader.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "dialogue/platform.h"
#include "terminal.h"
#include "terminal_mode_and_signals.h"

namespace {

// Line input, echo and the extended keys (Ctrl+V) off; the signal keys stay as the user has
// them, so Ctrl+C, Ctrl+Z and Ctrl+\ act as ever.
void set_editing_mode(termios& settings) {
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | IEXTEN);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
}

// A key the settings name, or -1 where it is switched off.
int key(const termios& settings, int index) {
    const cc_t named = settings.c_cc[index];
    return named == _POSIX_VDISABLE ? -1 : named;
}

EditingKeys editing_keys(const termios& settings) {
    EditingKeys keys = {};
    keys.erase = key(settings, VERASE);
    keys.word_erase = -1;
    keys.kill = key(settings, VKILL);
    keys.end_of_file = key(settings, VEOF);
    keys.echo = (settings.c_lflag & ECHO) != 0;
#ifdef VWERASE
    keys.word_erase = key(settings, VWERASE);
#endif
#ifdef ECHOCTL
    keys.echo_control = (settings.c_lflag & ECHOCTL) != 0;
#endif
    return keys;
}

}  // namespace

TerminalLineReader::TerminalLineReader(Screen& screen)
    : screen_(screen), echo_target_(-1), echo_(echo_target_, 4096) {}

TerminalLineReader::~TerminalLineReader() {
    end();
    if (echo_target_.descriptor() >= 0) {
        close(echo_target_.descriptor());
    }
}

// Edits typed keys until a line is ready to hand over: true then; false where the input ended
// (error 0) or could not be read (error set).
bool TerminalLineReader::edit(int& error) {
    for (;;) {
        const EditingKeys keys = editing_keys(settings_before_mode());
        editor_.set_size(screen_size(echo_target_.descriptor()));
        while (next_key_ != keys_end_) {
            unsigned char byte = keys_[next_key_++];
#ifdef __linux__
            // Linux keeps an end of file typed in its own line input as a NUL byte, which
            // comes as it is once the mode is taken.
            if (before_mode_ != 0 && byte == 0 && keys.end_of_file >= 0) {
                byte = static_cast<unsigned char>(keys.end_of_file);
            }
#endif
            before_mode_ -= before_mode_ != 0;
            const LineEditor::Step step = editor_.feed(byte, keys, echo_);
            if (step != LineEditor::Step::editing) {
                echo_.flush();
                error = step == LineEditor::Step::out_of_memory ? ENOMEM : 0;
                return step == LineEditor::Step::line_ended ||
                       step == LineEditor::Step::handed_over;
            }
        }
        editor_.show(keys, echo_);
        echo_.flush();
        // The rest of a key's sequence comes at once; an Escape alone has nothing after it.
        const bool escape = editor_.awaits_rest_of_escape();
        std::size_t got = 0;
        const TerminalRead read =
            read_terminal(keys_, sizeof keys_, escape ? quiet_gap_ms : no_time_limit, got);
        if (read == TerminalRead::continued_after_stop) {
            editor_.set_size(screen_size(echo_target_.descriptor()));
            editor_.show_again(keys, echo_);
            before_mode_ = received_before_mode();
        } else if (read == TerminalRead::nothing_in_time) {
            editor_.escape_alone();
        } else if (read != TerminalRead::arrived) {
            error = EIO;  // the terminal hung up, or the mode cannot be had again
            return false;
        } else {
            next_key_ = 0;
            keys_end_ = got;
        }
    }
}

bool TerminalLineReader::take() {
    if (held_) {
        return true;
    }
    // The echo goes to the terminal itself, opened for writing: standard input may be open for
    // reading only.
    if (echo_target_.descriptor() < 0) {
        echo_target_ = StandardOutput(open_terminal(O_WRONLY));
    }
    held_ = echo_target_.descriptor() >= 0 &&
            take_terminal(STDIN_FILENO, set_editing_mode, false, true);
    if (!held_) {
        return false;
    }
    // Keys typed before the question are read now, to be shown after it like any other: where
    // the terminal echoed them and they end mid-line, the question starts on a line of its own.
    before_mode_ = received_before_mode();
    std::size_t got = 0;
    if (before_mode_ != 0 && next_key_ == keys_end_ &&
        read_terminal(keys_, sizeof keys_, 0, got) == TerminalRead::arrived) {
        next_key_ = 0;
        keys_end_ = got;
        const unsigned char last = keys_[got - 1];
        if ((settings_before_mode().c_lflag & ECHO) != 0 && last != '\n' && last != '\r') {
            echo_ << "\r\n";
            echo_.flush();
        }
    }
    return true;
}

std::optional<std::ptrdiff_t> TerminalLineReader::read(char* buffer, std::size_t capacity,
                                                       int& error) {
    if (!finished_) {
        if (!take()) {
            return std::nullopt;
        }
        std::string_view prompt;
        if (screen_.pop_new_prompt(prompt)) {
            editor_.begin_after(prompt);
        }
        if (!edit(error)) {
            return error == 0 ? 0 : -1;
        }
        finished_ = true;
        handed_over_ = 0;
    }
    const std::size_t size = std::min(capacity, editor_.size() - handed_over_);
    std::memcpy(buffer, editor_.text() + handed_over_, size);
    handed_over_ += size;
    if (handed_over_ == editor_.size()) {
        editor_.clear();
        finished_ = false;
    }
    return static_cast<std::ptrdiff_t>(size);
}

void TerminalLineReader::end() {
    if (held_) {
        give_terminal_back();
        held_ = false;
    }
}
