// The line editing, key by key: what each key leaves of the line, and what the screen shows.
#include <gtest/gtest.h>

#include <string>

#include "chunked_source.h"
#include "dialogue/line_editor.h"

namespace {

// The keys of a Linux terminal as it starts: erase ^?, word erase ^W, kill ^U, end of file ^D.
constexpr EditingKeys keys = {0x7F, 0x17, 0x15, 0x04, true, true};

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
        {"\x01\x7f", Step::editing, "", "^A" + erase + erase},
        {"\xFF\x7f", Step::editing, "", "\xFF" + erase},  // a malformed byte
        {"\xE2\x82\x7f", Step::editing, "", "\xE2\x82"},  // a character not all come
        {"ab\tc\x7f\x7f", Step::editing, "ab", "ab\tc" + erase + erase + erase + erase},
        {"abcdef\t\x7f", Step::editing, "abcdef",
         "abcdef\t" + erase + erase + erase + erase + erase + erase +
             erase},  // from column 9, a tab to column 16
        {"1\xF0\x9F\x98\x80\x7f", Step::editing, "1", "1\xF0\x9F\x98\x80" + erase + erase},
        {"12 34  \x17", Step::editing, "12 ", "12 34  " + erase + erase + erase + erase},
        {"12 ５\x15", Step::editing, "", "12 ５" + erase + erase + erase + erase + erase},
        {"12\x04", Step::handed_over, "12", "12"},
        {"\x04", Step::input_ended, "", ""},
    };
    for (const Case& c : cases) {
        TextTarget screen;
        Output echo(screen, 256);
        LineEditor editor;
        editor.begin_at_column(3);  // a tab there takes three columns
        Step step = Step::editing;
        for (const char byte : c.typed) {
            step = editor.feed(static_cast<unsigned char>(byte), keys, echo);
        }
        echo.flush();
        EXPECT_EQ(step, c.step) << c.typed;
        EXPECT_EQ(std::string(editor.text(), editor.size()), c.line) << c.typed;
        EXPECT_EQ(screen.text, c.echo) << c.typed;
    }
}

// Text the terminal echoed itself is not echoed again, and a stop shows the line once more.
TEST(LineEditor, EchoOffAndShownAgain) {
    TextTarget screen;
    Output echo(screen, 256);
    LineEditor editor;
    EditingKeys quiet = keys;
    quiet.echo = false;
    for (const char byte : std::string("12\x7f")) {
        editor.feed(static_cast<unsigned char>(byte), quiet, echo);
    }
    editor.feed('5', keys, echo);
    editor.show_again(keys, echo);
    echo.flush();
    EXPECT_EQ(screen.text, "515");
}

}  // namespace
