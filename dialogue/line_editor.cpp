#include "dialogue/line_editor.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "dialogue/screen_characters.h"
#include "dialogue/utf8.h"

namespace {

constexpr unsigned char backspace = 0x08;
constexpr unsigned char escape = 0x1B;
constexpr std::size_t tab_stop = 8;

constexpr int control(char letter) {
    return letter & 0x1F;
}

bool is_control(unsigned char byte) {
    return byte < 0x20 || byte == 0x7F;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

bool is_continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The cursor sequence that moves up (rows < 0) or down.
void move_rows(std::ptrdiff_t rows, Output& echo) {
    if (rows != 0) {
        echo << "\x1b[" << std::int64_t{rows < 0 ? -rows : rows} << (rows < 0 ? 'A' : 'B');
    }
}

}  // namespace

void LineEditor::set_size(ScreenSize size) {
    if (size.columns < tab_stop) {
        size.columns = 0;  // too narrow to draw on: one row of any length, as without a width
    }
    const bool new_width = size.columns != size_on_screen_.columns;
    size_on_screen_ = size;
    if (new_width && drawn_ == 0 && size_ == 0) {
        forget_screen();  // nothing drawn yet: the line starts where the prompt ends at this width
    } else if (new_width) {
        redraw_all_ = true;  // the terminal may have moved the rows about
    }
}

void LineEditor::begin_after(std::string_view prompt) {
    prompt_size_ = std::min(prompt.size(), sizeof prompt_);
    std::memcpy(prompt_, prompt.data(), prompt_size_);
    begin_at_column(prompt.size());
}

void LineEditor::begin_at_column(std::size_t column) {
    start_column_ = column;
    forget_screen();
}

// Nothing of the line is on the screen yet, and the cursor stands at its start.
void LineEditor::forget_screen() {
    drawn_ = at_ = 0;
    tail_stale_ = redraw_all_ = false;
    at_place_ = drawn_end_ = start_place();
    lowest_ = 0;
}

void LineEditor::clear() {
    size_ = cursor_ = 0;
    prompt_size_ = 0;
    begin_at_column(0);  // after the line end that Enter showed
}

// Where the line's first character goes: after the prompt, on the row where the prompt ends.
LineEditor::Place LineEditor::start_place() const {
    const std::size_t width = size_on_screen_.columns;
    if (width == 0 || start_column_ == 0) {
        return {0, start_column_};
    }
    return {0, (start_column_ - 1) % width + 1};
}

// The place after the character at text[at], where it starts at place; moves at past it. A
// character whose bytes have not all come leaves both as they are. With a width, a character
// that does not fit in what is left of the row goes to the next, and a tab stops at the row's
// end.
LineEditor::Place LineEditor::advance(std::size_t& at, Place place, bool echo_control) const {
    const std::size_t width = size_on_screen_.columns;
    const auto* const text = reinterpret_cast<const unsigned char*>(line_.get());
    const unsigned char byte = text[at];
    if (byte == '\t') {
        ++at;
        if (width != 0 && place.column == width) {
            place = {place.row + 1, 0};
        }
        const std::size_t stop = (place.column / tab_stop + 1) * tab_stop;
        place.column = width != 0 ? std::min(stop, width) : stop;
        return place;
    }
    std::size_t columns = 1;
    std::size_t glyphs = 1;  // a control character shows as two, ^ and its letter
    if (byte < 0x80) {
        ++at;
        if (is_control(byte)) {
            glyphs = echo_control ? 2 : 0;
        }
    } else {
        char32_t code_point = 0;
        const std::ptrdiff_t length = decode_utf8(text + at, size_ - at, code_point);
        if (length == incomplete) {
            return place;
        }
        at += length > 0 ? static_cast<std::size_t>(length) : 1;
        // A malformed byte shows as one replacement character.
        columns = length > 0 ? static_cast<std::size_t>(screen_columns(code_point)) : 1;
    }
    for (; glyphs != 0 && columns != 0; --glyphs) {
        if (width != 0 && place.column + columns > width) {
            place = {place.row + 1, 0};
        }
        place.column += columns;
    }
    return place;
}

// Walks from the line's start, or from the cursor's place on the screen where that is before at
// and still what the screen shows.
LineEditor::Place LineEditor::place_of(std::size_t at, bool echo_control) const {
    const bool from_cursor = at_ <= at && at_ <= drawn_;
    std::size_t i = from_cursor ? at_ : 0;
    Place place = from_cursor ? at_place_ : start_place();
    while (i < at) {
        const std::size_t before = i;
        place = advance(i, place, echo_control);
        if (i == before) {
            break;  // a character not all come, at the end
        }
    }
    return place;
}

// Draws text[from, to) from place, and no row below last_row: stopped says how far it came.
LineEditor::Place LineEditor::draw(std::size_t from, std::size_t to, Place place,
                                   std::ptrdiff_t last_row, std::size_t& stopped,
                                   const EditingKeys& keys, Output& echo) {
    const std::size_t width = size_on_screen_.columns;
    std::size_t at = from;
    // Bytes the terminal has already from here: those of a character that had not all come,
    // which later bytes may since have shown to be malformed, one character a byte.
    std::size_t sent = from == drawn_ ? sent_ : 0;
    sent_ = 0;
    while (at < to) {
        std::size_t next = at;
        const Place after = advance(next, place, keys.echo_control);
        if (after.row > last_row) {
            break;
        }
        const auto byte = static_cast<unsigned char>(line_[at]);
        if (next == at) {  // bytes of a character still to come: the terminal waits for them
            sent = std::min(sent, to - at);
            echo << std::string_view(line_.get() + at + sent, to - at - sent);
            sent_ = to - at;
            break;
        }
        if (byte == '\t' && width != 0) {
            const std::size_t begun = after.row > place.row ? 0 : place.column;
            for (std::size_t column = begun; column < after.column; ++column) {
                echo << ' ';
            }
        } else if (is_control(byte) && byte != '\t' && keys.echo_control) {
            echo << '^' << static_cast<char>(byte ^ 0x40);
        } else {
            // A wide character that does not fit at the row's end leaves its last column blank
            // (as the terminal leaves it, where it has the character's first bytes already).
            if (after.row > place.row && place.column < width && sent == 0) {
                for (std::size_t column = place.column; column < width; ++column) {
                    echo << ' ';
                }
            }
            const std::size_t skipped = std::min(sent, next - at);
            echo << std::string_view(line_.get() + at + skipped, next - at - skipped);
        }
        sent -= std::min(sent, next - at);
        place = after;
        at = next;
    }
    stopped = at;
    return place;
}

// Moves the terminal's cursor to stand before text[at], at place.
void LineEditor::move_to(std::size_t at, Place place, const EditingKeys& keys, Output& echo) {
    const std::size_t width = size_on_screen_.columns;
    std::size_t stopped = 0;
    if (place.row == at_place_.row && place.column == at_place_.column) {
        // There already: past characters that take no column, or bytes still to come.
    } else if (width == 0) {
        if (place.column < at_place_.column) {
            for (std::size_t column = place.column; column < at_place_.column; ++column) {
                echo << static_cast<char>(backspace);
            }
        } else if (at > at_) {
            draw(at_, at, at_place_, 0, stopped, keys, echo);
        }
    } else if (place.column == width && at != 0) {
        // After a full row the cursor waits at its last column until the next character: the
        // one way there is to draw the character before it again.
        const std::size_t before = character_before(at);
        move_to(before, place_of(before, keys.echo_control), keys, echo);
        draw(before, at, at_place_, place.row, stopped, keys, echo);
    } else {
        move_rows(place.row - at_place_.row, echo);
        if (place.column != at_place_.column || at_place_.column == width) {
            echo << "\x1b[" << static_cast<std::int64_t>(std::min(place.column, width - 1) + 1)
                 << 'G';
        }
    }
    at_ = at;
    at_place_ = place;
}

// At the line's end, the erase as the terminal's own line input shows it.
void LineEditor::erase_at_end_as_terminal(Place to, Output& echo) const {
    for (std::size_t column = to.column; column < at_place_.column; ++column) {
        echo << "\b \b";
    }
}

void LineEditor::show(const EditingKeys& keys, Output& echo) {
    if (!keys.echo) {
        return;
    }
    if (redraw_all_) {
        show_again(keys, echo);
        return;
    }
    const std::size_t width = size_on_screen_.columns;
    const auto rows = static_cast<std::ptrdiff_t>(size_on_screen_.rows);
    const Place cursor = place_of(cursor_, keys.echo_control);
    const std::ptrdiff_t top = lowest_ - (rows - 1);  // the highest row sure to be on the screen
    const bool above_screen = width != 0 && rows != 0 && cursor.row < top;
    if (drawn_ == size_ && !tail_stale_ && !above_screen) {
        if (cursor_ != at_) {
            move_to(cursor_, cursor, keys, echo);
        }
        return;
    }
    std::size_t from = drawn_;
    Place from_place = place_of(from, keys.echo_control);
    bool where_it_was_left = !tail_stale_ && (from == at_ || from + sent_ == at_);
    if (width == 0 && from == size_ && cursor_ == size_ && at_place_.column == drawn_end_.column) {
        erase_at_end_as_terminal(from_place, echo);
        at_ = drawn_ = from;
        at_place_ = drawn_end_ = from_place;
        tail_stale_ = false;
        return;
    }
    // Rows drawn below the screen's bottom scroll the rest up: no more than keep the cursor's.
    std::ptrdiff_t last_row = width != 0 && rows != 0 ? cursor.row + rows - 1 : PTRDIFF_MAX;
    if (above_screen || (width != 0 && rows != 0 && from_place.row < top)) {
        // Taller than the screen: drawn again from the screen's top row, or from the cursor's
        // row, which then becomes the top row (the screen's rows take the line's numbers).
        const std::ptrdiff_t first_row = cursor.row < top ? cursor.row : top;
        if (first_row < top) {
            at_place_.row += first_row - top;
            lowest_ += first_row - top;
        }
        where_it_was_left = false;
        from = 0;
        from_place = start_place();
        while (from < size_ && from_place.row < first_row) {
            std::size_t next = from;
            const Place after = advance(next, from_place, keys.echo_control);
            if (after.row >= first_row && after.column != 0) {
                break;
            }
            from = next;
            from_place = after;
        }
        move_rows(first_row - at_place_.row, echo);
        echo << "\r\x1b[J";
        if (first_row == 0) {
            echo << std::string_view(
                prompt_ + prompt_size_ - std::min(prompt_size_, from_place.column),
                std::min(prompt_size_, from_place.column));
            from_place = start_place();
        } else {
            from_place = {first_row, 0};
        }
        at_place_ = {first_row, 0};
        last_row = std::min(last_row, first_row + rows - 1);
    } else if (tail_stale_ && width != 0 && from_place.column == width) {
        // After a full row, clearing where the cursor waits would take the row's last
        // character: what is left of the line below is cleared from the next row's start.
        if (from_place.row < lowest_) {
            move_rows(from_place.row + 1 - at_place_.row, echo);
            echo << "\r\x1b[J";
            at_place_ = {from_place.row + 1, 0};  // where the next character goes, as well
            at_ = static_cast<std::size_t>(-1);
        } else {
            move_to(from, from_place, keys, echo);
        }
    } else {
        move_to(from, from_place, keys, echo);
        if (tail_stale_ && width != 0) {
            echo << "\x1b[J";
        }
    }
    if (!where_it_was_left) {
        sent_ = 0;  // bytes sent of a character not all come are lost to what was drawn since
    }
    std::size_t stopped = 0;
    Place end = draw(from, size_, from_place, last_row, stopped, keys, echo);
    if (width == 0 && drawn_end_.column > end.column) {
        for (std::size_t column = end.column; column < drawn_end_.column; ++column) {
            echo << ' ';
        }
        for (std::size_t column = end.column; column < drawn_end_.column; ++column) {
            echo << static_cast<char>(backspace);
        }
    }
    drawn_ = stopped;
    drawn_end_ = end;
    if (stopped != from || at_ == from) {
        at_ = stopped;
        at_place_ = end;
    }
    lowest_ = std::max(lowest_, end.row);
    tail_stale_ = false;
    move_to(cursor_, place_of(cursor_, keys.echo_control), keys, echo);
}

void LineEditor::show_again(const EditingKeys& keys, Output& echo) {
    if (!keys.echo) {
        return;
    }
    echo << "\r\x1b[K" << std::string_view(prompt_, prompt_size_);
    begin_at_column(prompt_size_);
    show(keys, echo);
}

// The start of the character before at, with the marks and invisible characters after it: a
// byte that begins no character there goes alone.
std::size_t LineEditor::character_before(std::size_t at) const {
    const auto* const text = reinterpret_cast<const unsigned char*>(line_.get());
    std::size_t start = at;
    while (start != 0) {
        std::size_t lead = start - 1;
        while (lead != 0 && start - lead < 4 && is_continuation(line_[lead])) {
            --lead;
        }
        char32_t code_point = 0;
        if (decode_utf8(text + lead, start - lead, code_point) !=
            static_cast<std::ptrdiff_t>(start - lead)) {
            lead = start - 1;
        }
        std::size_t next = lead;
        const Place after = advance(next, {0, 1}, true);
        start = lead;
        if (after.column != 1 || line_[lead] == '\t') {
            break;  // it takes a column
        }
    }
    return start;
}

// The end of the character at at, with the marks and invisible characters after it.
std::size_t LineEditor::character_after(std::size_t at) const {
    std::size_t end = at;
    bool columns_taken = false;
    while (end < size_) {
        std::size_t next = end;
        const Place after = advance(next, {0, 1}, true);
        const bool takes_columns = after.column != 1 || line_[end] == '\t';
        if (next == end || (columns_taken && takes_columns)) {
            break;
        }
        columns_taken = columns_taken || takes_columns;
        end = next;
    }
    return end;
}

// Where the bytes of a character still to come begin, at the line's end; where there are none,
// the start of the last character. The erase takes those bytes first, alone.
std::size_t LineEditor::incomplete_end() const {
    std::size_t lead = size_;
    while (lead != 0 && size_ - lead < 4 && (lead == size_ || is_continuation(line_[lead]))) {
        --lead;
    }
    char32_t code_point = 0;
    const auto* const text = reinterpret_cast<const unsigned char*>(line_.get());
    const bool waiting =
        lead < size_ && decode_utf8(text + lead, size_ - lead, code_point) == incomplete;
    return waiting ? lead : character_before(size_);
}

bool LineEditor::insert(unsigned char byte) {
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
    if (cursor_ != size_) {
        std::memmove(line_.get() + cursor_ + 1, line_.get() + cursor_, size_ - cursor_);
        tail_stale_ = true;
    }
    line_[cursor_] = static_cast<char>(byte);
    ++size_;
    // Inside the line, a character's later bytes change how its first shows.
    std::size_t changed = cursor_++;
    while (changed != 0 && tail_stale_ && is_continuation(line_[changed])) {
        --changed;
    }
    drawn_ = std::min(drawn_, changed);
    return true;
}

void LineEditor::erase(std::size_t from, std::size_t to) {
    if (from == to) {
        return;
    }
    sent_ = 0;
    std::memmove(line_.get() + from, line_.get() + to, size_ - to);
    size_ -= to - from;
    cursor_ = from;
    drawn_ = std::min(drawn_, from);
    tail_stale_ = true;
}

// The final byte of a sequence after ESC [ or ESC O, with what came between in parameters_.
void LineEditor::act_on_sequence(unsigned char final_byte) {
    if (parameters_size_ > sizeof parameters_) {
        return;  // longer than any key's
    }
    const std::string_view parameters(parameters_, parameters_size_);
    const bool plain = parameters.empty() || parameters == "1";
    if (final_byte == 'D' && plain) {
        cursor_ = character_before(cursor_);
    } else if (final_byte == 'C' && plain) {
        cursor_ = character_after(cursor_);
    } else if ((final_byte == 'H' && plain) ||
               (final_byte == '~' && (parameters == "1" || parameters == "7"))) {
        cursor_ = 0;
    } else if ((final_byte == 'F' && plain) ||
               (final_byte == '~' && (parameters == "4" || parameters == "8"))) {
        cursor_ = size_;
    } else if (final_byte == '~' && parameters == "3") {
        erase(cursor_, character_after(cursor_));
    }
}

// Takes byte as part of a key sequence, where one has begun or byte begins one; false where it
// is a key of its own, a control character that cuts a sequence short included.
bool LineEditor::take_key(unsigned char byte, const EditingKeys&) {
    const Sequence sequence = sequence_;
    if (sequence == Sequence::none || byte == escape ||
        (byte < 0x20 && sequence != Sequence::mouse)) {
        sequence_ = byte == escape ? Sequence::escape : Sequence::none;
        parameters_size_ = 0;
        return byte == escape;
    }
    sequence_ = Sequence::none;
    switch (sequence) {
        case Sequence::escape:
            if (byte == '[' || byte == 'O') {
                sequence_ = byte == '[' ? Sequence::csi : Sequence::ss3;
            } else if (byte >= 0xC0) {  // Alt and a character of several bytes
                sequence_ = Sequence::alt_character;
                bytes_to_skip_ = byte >= 0xF0 ? 3 : byte >= 0xE0 ? 2 : 1;
            }
            return true;
        case Sequence::csi:
        case Sequence::ss3:
            if (sequence == Sequence::csi && parameters_size_ == 0 &&
                (byte == '[' || byte == 'M')) {
                sequence_ = byte == '[' ? Sequence::csi_linux : Sequence::mouse;
                bytes_to_skip_ = byte == '[' ? 1 : 3;
            } else if (byte >= 0x20 && byte <= 0x3F) {
                if (parameters_size_ < sizeof parameters_) {
                    parameters_[parameters_size_] = static_cast<char>(byte);
                }
                parameters_size_ += parameters_size_ <= sizeof parameters_;
                sequence_ = sequence;
            } else if (byte >= 0x40 && byte <= 0x7E) {
                act_on_sequence(byte);
            }
            return true;
        case Sequence::alt_character:
            if (!is_continuation(static_cast<char>(byte))) {
                return false;
            }
            [[fallthrough]];
        case Sequence::csi_linux:
        case Sequence::mouse:
            if (--bytes_to_skip_ != 0) {
                sequence_ = sequence;
            }
            return true;
        case Sequence::none:
            break;
    }
    return false;
}

LineEditor::Step LineEditor::feed(unsigned char byte, const EditingKeys& keys, Output& echo) {
    if (take_key(byte, keys)) {
        return Step::editing;
    }
    if (byte == keys.end_of_file) {
        if (size_ == 0) {
            return Step::input_ended;
        }
        if (cursor_ == size_) {
            show(keys, echo);
            return Step::handed_over;
        }
        erase(cursor_, character_after(cursor_));
    } else if (byte == keys.erase || byte == backspace) {
        erase(cursor_ == size_ ? incomplete_end() : character_before(cursor_), cursor_);
    } else if (byte == keys.word_erase) {
        std::size_t from = cursor_;
        while (from != 0 && is_blank(line_[from - 1])) {
            --from;
        }
        while (from != 0 && !is_blank(line_[from - 1])) {
            --from;
        }
        erase(from, cursor_);
    } else if (byte == keys.kill) {
        erase(0, cursor_);
    } else if (byte == control('A') || byte == control('E')) {
        cursor_ = byte == control('A') ? 0 : size_;
    } else if (byte == control('B')) {
        cursor_ = character_before(cursor_);
    } else if (byte == control('F')) {
        cursor_ = character_after(cursor_);
    } else if (byte == control('K')) {
        erase(cursor_, size_);
    } else if (byte == '\n' || byte == '\r') {
        cursor_ = size_;
        show(keys, echo);
        if (!insert('\n')) {
            return Step::out_of_memory;
        }
        if (keys.echo) {
            echo << '\n';
        }
        return Step::line_ended;
    } else if (!insert(byte)) {
        return Step::out_of_memory;
    }
    // At the line's end each key shows at once, as the terminal's own echo would; inside it,
    // the rest of the line is drawn again once the keys that have come are all taken.
    if (cursor_ == size_) {
        show(keys, echo);
    }
    return Step::editing;
}
