// The line editing, key by key: what each key leaves of the line, and what the screen shows.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "chunked_source.h"
#include "dialogue/line_editor.h"
#include "dialogue/screen_characters.h"
#include "dialogue/utf8.h"

namespace {

// The keys of a Linux terminal as it starts: erase ^?, word erase ^W, kill ^U, end of file ^D.
constexpr EditingKeys keys = {0x7F, 0x17, 0x15, 0x04, true, true};

// Types text a key at a time, the screen brought up to date after each; the last step. A byte
// 0xFE stands for a pause, after which an Escape is a key alone.
LineEditor::Step type(LineEditor& editor, const std::string& text, Output& echo) {
    LineEditor::Step step = LineEditor::Step::editing;
    for (const char byte : text) {
        if (byte == '\xFE' && editor.awaits_rest_of_escape()) {
            editor.escape_alone();
            continue;
        }
        step = editor.feed(static_cast<unsigned char>(byte), keys, echo);
        if (step == LineEditor::Step::editing) {
            editor.show(keys, echo);
        }
    }
    return step;
}

TEST(LineEditor, KeysEditTheLineAsTheScreenShowsIt) {
    using Step = LineEditor::Step;
    const std::string erase = "\b \b";
    struct Case {
        std::string typed;
        Step step;
        std::string line;
        std::string echo;
    };
    const Case cases[] = {
        {"12\x7f\r", Step::line_ended, "1\n", "12" + erase + "\n"},
        {"a\b", Step::editing, "", "a" + erase},
        {"1 ５\x7f", Step::editing, "1 ", "1 ５" + erase + erase},          // wide
        {"e\xCC\x81\x7f", Step::editing, "", "e\xCC\x81" + erase},          // with its mark
        {"x\xE2\x80\x8B\x7f", Step::editing, "", "x\xE2\x80\x8B" + erase},  // zero-width space
        {"12\x01\x7f", Step::editing, "12", "12\b\b"},                      // Ctrl+A: to the start
        {"\xFF\x7f", Step::editing, "", "\xFF" + erase},                    // a malformed byte
        {"\xE2\x82\x7f", Step::editing, "", "\xE2\x82"},  // a character not all come
        {"\xE2\x82l", Step::editing, "\xE2\x82l", "\xE2\x82l"},  // one cut short by the next
        {"ab\tc\x7f\x7f", Step::editing, "ab", "ab\tc" + erase + erase + erase + erase},
        {"abcdef\t\x7f", Step::editing, "abcdef",
         "abcdef\t" + erase + erase + erase + erase + erase + erase +
             erase},  // from column 9, a tab to column 16
        {"1\xF0\x9F\x98\x80\x7f", Step::editing, "1", "1\xF0\x9F\x98\x80" + erase + erase},
        {"12 34  \x17", Step::editing, "12 ", "12 34  " + erase + erase + erase + erase},
        {"12 ５\x15", Step::editing, "", "12 ５" + erase + erase + erase + erase + erase},
        {"12\x04", Step::handed_over, "12", "12"},
        {"\x04", Step::input_ended, "", ""},
        // The cursor keys, with a width unknown: back with backspaces, on by drawing again.
        {"abc\x1b[D\x1bOD\x02X", Step::editing, "Xabc", "abc\b\b\bXabc\b\b\b"},
        {"ab\x1b[H\x1b[CX", Step::editing, "aXb", "ab\b\baXb\b"},
        {"ab\x01X\x05Y\x1b[1~\x1b[4~", Step::editing, "XabY", "ab\b\bXab\b\babY\b\b\b\bXabY"},
        {"abc\x02\x02\x1b[3~", Step::editing, "ac", "abc\b\bc \b\b"},
        {"abc\x02\x02\x04", Step::editing, "ac", "abc\b\bc \b\b"},  // Ctrl+D inside
        {"abc\x02\x02\x0b", Step::editing, "a", "abc\b\b  \b\b"},
        {"ab cd\x02\x02\x17", Step::editing, "cd", "ab cd\b\b\b\b\bcd   \b\b\b\b\b"},
        {"1５2\x02\x02\x04", Step::editing, "12", "1５2\b\b\b2  \b\b\b"},        // wide
        {"e\xCC\x81x\x02\x02\x04", Step::editing, "x", "e\xCC\x81x\b\bx \b\b"},  // marked
        {"ab\x02\x02\x7f\x15", Step::editing, "ab", "ab\b\b"},  // nothing before the cursor
        {"a\x02\r", Step::line_ended, "a\n", "a\ba\n"},         // Enter hands the whole line over
        // Every other sequence whole, and none of its bytes: Up, F5, Ctrl+Right, F1, the Linux
        // console's F1, a mouse report, Alt+x, Alt+é, a paste's markers around its text.
        {"1\x1b[A\x1b[15~\x1b[1;5C\x1bOP\x1b[[A\x1b[M#!!\x1bx\x1b\xC3\xA9\x1b[200~34\x1b[201~",
         Step::editing, "134", "134"},
        {"1\x1b[123456789A2", Step::editing, "12", "12"},  // longer than any key's
        {"1\x1b\xFE[D2\x1b\x1b\xFE", Step::editing, "1[D2", "1[D2"},  // Escape alone
    };
    for (const Case& c : cases) {
        TextTarget screen;
        Output echo(screen, 256);
        LineEditor editor;
        editor.begin_at_column(3);  // a tab there takes three columns
        const Step step = type(editor, c.typed, echo);
        echo.flush();
        EXPECT_EQ(step, c.step) << c.typed;
        EXPECT_EQ(std::string(editor.text(), editor.size()), c.line) << c.typed;
        EXPECT_EQ(screen.text, c.echo) << c.typed;
    }
}

// A terminal as xterm draws one: autowrap, with the cursor waiting in the last column after a
// full row; a wide character that does not fit goes to the next row; CR, LF (as CR LF), BS and
// the cursor and erase sequences the editor uses; a tab, as the spaces to its stop or the row's
// end. A cell holds its character, "" for the right half of a wide one.
struct Terminal {
    std::size_t width, height;
    std::vector<std::vector<std::string>> rows{height, std::vector<std::string>(width, " ")};
    std::size_t row = 0, column = 0;
    bool waiting = false;  // at the last column, after a full row

    void feed(const std::string& bytes) {
        for (std::size_t at = 0; at < bytes.size();) {
            const auto byte = static_cast<unsigned char>(bytes[at]);
            const std::size_t final_at = bytes.find_first_of("ABGJ", at);
            if (byte == 0x1B) {  // ESC [ n final
                const std::size_t n = final_at > at + 2 ? std::stoul(bytes.substr(at + 2)) : 1;
                const char final_byte = bytes[final_at];
                row = final_byte == 'A'   ? row - std::min(row, n)
                      : final_byte == 'B' ? std::min(height - 1, row + n)
                                          : row;
                column = final_byte == 'G' ? n - 1 : column;
                for (std::size_t cell = row * width + column;
                     final_byte == 'J' && cell < height * width; ++cell) {
                    rows[cell / width][cell % width].assign(1, ' ');
                }
                waiting = false;
                at = final_at + 1;
            } else if (byte == '\t') {
                const std::size_t stop = waiting ? 8 : (column / 8 + 1) * 8;
                feed(std::string(std::min(stop, width) - column * !waiting, ' '));
                ++at;
            } else if (byte < 0x20) {
                column = byte == '\r' || byte == '\n' ? 0 : column - (byte == '\b' && column != 0);
                if (byte == '\n') {
                    line_feed();
                }
                waiting = false;
                ++at;
            } else {
                at += draw(bytes.data() + at, bytes.size() - at);
            }
        }
    }
    std::size_t draw(const char* bytes, std::size_t size) {
        char32_t code_point = 0;
        const std::ptrdiff_t decoded =
            decode_utf8(reinterpret_cast<const unsigned char*>(bytes), size, code_point);
        const std::size_t length = decoded > 0 ? static_cast<std::size_t>(decoded) : 1;
        const auto columns = static_cast<std::size_t>(screen_columns(code_point));
        if (columns == 0) {
            rows[row][column - (!waiting && column != 0)].append(bytes, length);
            return length;
        }
        if (waiting || column + columns > width) {
            line_feed();
            column = 0;
        }
        rows[row][column + columns - 1].clear();  // the right half of a wide one
        rows[row][column].assign(bytes, length);
        column += columns;
        waiting = column == width;
        column -= waiting;
        return length;
    }
    void line_feed() {
        if (++row == height) {
            rows.erase(rows.begin());
            rows.emplace_back(width, " ");
            --row;
        }
    }
};

// Random keys typed a few at a time, at widths 20 and 80: after each show, the screen shows the
// prompt and the line as the model draws them anew, with the cursor in its place; where the line
// is taller than the screen, the cursor's row does.
TEST(LineEditor, TheScreenShowsTheLineAsItWillBeRead) {
    const std::string keys_to_type[] = {"a",         "b",      " ",      "\t",   "５",
                                        "e\xCC\x81", "\x1b[D", "\x1b[C", "\x01", "\x05",
                                        "\x1b[3~",   "\x7f",   "\x0b",   "\x15", "\x17"};
    std::mt19937 chance(36);
    for (int session = 0; session < 600; ++session) {
        const std::size_t width = session % 2 == 0 ? 20 : 80;
        const std::size_t height = session % 3 == 0 ? 4 : 60;
        Terminal terminal{width, height};
        TextTarget screen;
        Output echo(screen, 256);
        LineEditor editor;
        editor.set_size({width, height});
        terminal.feed("P: ");
        editor.begin_after("P: ");
        for (int batch = 0; batch < 40; ++batch) {
            for (auto keys_now = chance() % 6; keys_now != 0; --keys_now) {
                for (const char byte : keys_to_type[chance() % std::size(keys_to_type)]) {
                    editor.feed(static_cast<unsigned char>(byte), keys, echo);
                }
            }
            editor.show(keys, echo);
            echo.flush();
            terminal.feed(screen.text);
            screen.text.clear();
            Terminal expected{width, 60};
            expected.feed("P: " + std::string(editor.text(), editor.cursor()));
            const Terminal at_cursor = expected;
            expected.feed(
                std::string(editor.text() + editor.cursor(), editor.size() - editor.cursor()));
            ASSERT_EQ(std::tie(terminal.column, terminal.waiting),
                      std::tie(at_cursor.column, at_cursor.waiting))
                << session;
            if (height < 60) {
                ASSERT_EQ(terminal.rows[terminal.row], expected.rows[at_cursor.row]) << session;
            } else {
                ASSERT_EQ(std::tie(terminal.row, terminal.rows),
                          std::tie(at_cursor.row, expected.rows))
                    << session;
            }
        }
    }
}

}  // namespace
