#include "dialogue/line_editor.h"

#include <algorithm>
#include <cstdlib>

#include "dialogue/screen_characters.h"
#include "dialogue/utf8.h"

namespace {

constexpr unsigned char backspace = 0x08;
constexpr std::size_t tab_stop = 8;

bool is_control(unsigned char byte) {
    return byte < 0x20 || byte == 0x7F;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// As the terminal echoes a typed byte: a control character as ^X where it shows them so.
void echo_byte(unsigned char byte, const EditingKeys& keys, Output& echo) {
    if (!keys.echo) {
        return;
    }
    if (is_control(byte) && byte != '\t' && keys.echo_control) {
        echo << '^' << static_cast<char>(byte ^ 0x40);
    } else {
        echo << static_cast<char>(byte);
    }
}

}  // namespace

// The screen column after the character at text[at], where it starts at column; moves at past
// it. A character whose bytes have not all come leaves both as they are.
std::size_t LineEditor::column_after(std::size_t& at, std::size_t column, bool echo_control) const {
    const auto* const text = reinterpret_cast<const unsigned char*>(line_.get());
    const unsigned char byte = text[at];
    if (byte == '\t') {
        ++at;
        return (column / tab_stop + 1) * tab_stop;
    }
    if (byte < 0x80) {
        ++at;
        return column + (!is_control(byte) ? 1 : echo_control ? 2 : 0);
    }
    char32_t code_point = 0;
    const std::ptrdiff_t length = decode_utf8(text + at, size_ - at, code_point);
    if (length == incomplete) {
        return column;
    }
    at += length > 0 ? static_cast<std::size_t>(length) : 1;
    // A malformed byte shows as one replacement character.
    return column + static_cast<std::size_t>(length > 0 ? screen_columns(code_point) : 1);
}

bool LineEditor::append(unsigned char byte) {
    if (size_ == capacity_) {
        const std::size_t grown = capacity_ == 0 ? 256 : 2 * capacity_;
        void* const block = std::realloc(line_.get(), grown);
        if (block == nullptr) {
            return false;
        }
        static_cast<void>(line_.release());
        line_.reset(static_cast<char*>(block));
        capacity_ = grown;
    }
    line_[size_++] = static_cast<char>(byte);
    return true;
}

void LineEditor::move_back(std::size_t columns, const EditingKeys& keys, Output& echo) const {
    for (; keys.echo && columns != 0; --columns) {
        echo << "\b \b";
    }
}

// Erases the last character, and says whether the screen showed it: one that has not all come,
// or takes no column (a combining mark, an invisible character), goes with the one before it.
bool LineEditor::erase_character(const EditingKeys& keys, Output& echo) {
    if (shown_ < size_) {
        size_ = shown_;
        return true;
    }
    std::size_t start = size_ - 1;
    while (start != 0 && size_ - start < 4 && (line_[start] & 0xC0) == 0x80) {
        --start;
    }
    std::size_t at = start;
    std::size_t width = column_after(at, 0, keys.echo_control);
    if (at != size_) {
        start = size_ - 1;  // a malformed byte, alone, shown as one replacement character
        width = 1;
    }
    std::size_t column = column_ - std::min(column_, width);
    if (line_[start] == '\t') {
        column = start_column_;
        for (at = 0; at < start;) {
            column = column_after(at, column, keys.echo_control);
        }
    }
    const bool visible = column != column_;
    move_back(column_ - column, keys, echo);
    size_ = shown_ = start;
    column_ = column;
    return visible;
}

LineEditor::Step LineEditor::feed(unsigned char byte, const EditingKeys& keys, Output& echo) {
    if (byte == keys.end_of_file) {
        return size_ == 0 ? Step::input_ended : Step::handed_over;
    }
    if (byte == keys.erase || byte == backspace) {
        while (size_ != 0 && !erase_character(keys, echo)) {
        }
    } else if (byte == keys.word_erase) {
        while (size_ != 0 && is_blank(line_[size_ - 1])) {
            erase_character(keys, echo);
        }
        while (size_ != 0 && !is_blank(line_[size_ - 1])) {
            erase_character(keys, echo);
        }
    } else if (byte == keys.kill) {
        move_back(column_ - start_column_, keys, echo);
        size_ = shown_ = 0;
        column_ = start_column_;
    } else if (!append(byte)) {
        return Step::out_of_memory;
    } else if (byte == '\n' || byte == '\r') {
        line_[size_ - 1] = '\n';
        shown_ = size_;
        column_ = 0;
        if (keys.echo) {
            echo << '\n';
        }
        return Step::line_ended;
    } else {
        echo_byte(byte, keys, echo);
        for (std::size_t at = shown_; at < size_; shown_ = at) {
            column_ = column_after(at, column_, keys.echo_control);
            if (at == shown_) {
                break;  // a character whose bytes have not all come
            }
        }
    }
    return Step::editing;
}

void LineEditor::show_again(const EditingKeys& keys, Output& echo) {
    start_column_ = column_ = 0;  // where the shell left the cursor
    for (std::size_t at = 0; at < shown_;) {
        std::size_t character = at;
        column_ = column_after(at, column_, keys.echo_control);
        for (; character < at; ++character) {
            echo_byte(static_cast<unsigned char>(line_[character]), keys, echo);
        }
    }
}

void LineEditor::clear() {
    size_ = shown_ = 0;
    start_column_ = column_;
}
