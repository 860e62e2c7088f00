#include "dialogue/dialogue.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>

#include "dialogue/number_reader.h"
#include "dialogue/number_writer.h"
#include "dialogue/platform.h"
#include "dialogue/quoting.h"
#include "inversions/inversions.h"
#include "inversions/memory.h"

namespace {

using List = HeapBlock<std::int32_t>;

constexpr std::int32_t largest_count = std::numeric_limits<std::int32_t>::max();

// Where the exchange writes, and the screen that its output and errors may share with the input.
struct Writing {
    Output& output;
    Output& errors;
    Screen& screen;
};

// The input as the screen shows it: a line end that the program wrote after text typed there
// ends the word that text began, so the reader is handed that line end before any more input.
class InputAsShown final : public InputSource {
  public:
    InputAsShown(InputSource& source, Screen& screen) : source_(source), screen_(screen) {}

    std::ptrdiff_t read(char* buffer, std::size_t capacity) override {
        if (screen_.pop_line_break()) {
            *buffer = '\n';
            return 1;
        }
        return source_.read(buffer, capacity);
    }
    int error() const override {
        return source_.error();
    }
    void give_back(std::size_t count) override {
        source_.give_back(count);
    }
    void about_to_ask() override {
        source_.about_to_ask();
    }

  private:
    InputSource& source_;
    Screen& screen_;
};

// A line end on the screen: on output where that shows there, else on errors.
void end_screen_line(const Writing& writing) {
    (writing.screen.shows().output ? writing.output : writing.errors) << '\n';
    writing.screen.wrote(0);
}

// Starts an error line, which is written when the exchange ends. What was already written to
// output goes first, so that on a terminal the error appears after it, on a line of its own.
Output& begin_error(const Writing& writing) {
    if (writing.screen.shows().errors && writing.screen.mid_line()) {
        end_screen_line(writing);
    }
    writing.output.flush();
    return writing.errors << "Error: ";
}

// The word that an error is about, quoted; and, where the input is not typed on the screen
// (a file or a pipe), where it stands: on the screen it is there to see.
void write_word(Output& error, NumberReader& input, const Screen& screen) {
    error << quote_word(input.word_start(), input.word_length()).view();
    if (!screen.shows().input) {
        const Place place = input.word_place();
        error << " on line " << place.line << ", column " << place.column;
    }
}

// The line on which the input ended, likewise.
void write_last_line(Output& error, NumberReader& input, const Screen& screen, const char* before) {
    if (!screen.shows().input) {
        error << before << "on line " << input.last_line();
    }
}

void report_unreadable(const NumberReader& input, const Writing& writing) {
    begin_error(writing) << "cannot read the input: " << std::strerror(input.read_error())
                         << ".\n";
}

// Prompts end without a line end; flushing shows them before the read that follows. The input
// is told first, as it may have to take the terminal before the prompt shows.
template <typename... Parts>
void prompt(InputSource& answered_from, const Writing& writing, const Parts&... parts) {
    answered_from.about_to_ask();
    const OnScreen& shows = writing.screen.shows();
    if (shows.input && shows.output && writing.screen.mid_line()) {
        end_screen_line(writing);
    }
    const std::size_t before = writing.output.pending();
    (writing.output << ... << parts);
    if (shows.output) {
        writing.screen.wrote_prompt(writing.output.gathered_since(before));
    }
    writing.output.flush();
}

std::optional<std::int32_t> read_count(NumberReader& input, const Writing& writing) {
    if (!input.pass_byte_order_mark()) {
        begin_error(writing) << "the input is UTF-16 text, but it must be plain text (ASCII or "
                                "UTF-8).\n";
        return std::nullopt;
    }
    std::int32_t count = 0;
    const Found found = input.read(count);
    if (found == Found::number && count >= 0) {
        return count;
    }
    if (found == Found::unreadable) {
        report_unreadable(input, writing);
        return std::nullopt;
    }
    Output& error = begin_error(writing);
    if (found == Found::end_of_input) {
        error << "expected the number of elements, but the input ended";
        write_last_line(error, input, writing.screen, " ");
    } else if (found == Found::not_whole) {
        error << "expected the number of elements as a whole number, found ";
        write_word(error, input, writing.screen);
    } else {
        error << "the number of elements must be from 0 to " << largest_count << ", found ";
        write_word(error, input, writing.screen);
    }
    error << ".\n";
    return std::nullopt;
}

// Fresh, uninitialised storage for count values: every slot is filled by the reads. The byte
// size is worked out in 64 bits, so it cannot wrap where size_t has only 32.
List obtain_list(std::int32_t count) {
    const std::uint64_t bytes = static_cast<std::uint64_t>(count) * sizeof(std::int32_t);
    if (bytes > static_cast<std::uint64_t>(std::numeric_limits<std::ptrdiff_t>::max())) {
        return nullptr;
    }
    return obtain_block<std::int32_t>(static_cast<std::size_t>(count));
}

bool read_values(NumberReader& input, const Writing& writing, std::int32_t* values,
                 std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) {
        const Found found = input.read(values[i]);
        if (found == Found::number) {
            continue;
        }
        if (found == Found::unreadable) {
            report_unreadable(input, writing);
            return false;
        }
        Output& error = begin_error(writing);
        if (found == Found::end_of_input) {
            error << "expected " << count << " integers, but the input ended after " << i;
            write_last_line(error, input, writing.screen, ", ");
        } else if (found == Found::not_whole) {
            error << "expected integer " << i + 1 << " of " << count << " as a whole number, found ";
            write_word(error, input, writing.screen);
        } else {
            error << "integer " << i + 1 << " of " << count
                  << " must be from -2147483648 to 2147483647, found ";
            write_word(error, input, writing.screen);
        }
        error << ".\n";
        return false;
    }
    return true;
}

// Everything up to the final prompt. Returns false after writing an error line. The list is
// released on the way out, before the final prompt.
bool ask_and_answer(InputSource& answered_from, NumberReader& input, const Writing& writing) {
    Output& output = writing.output;
    prompt(answered_from, writing, "Please input the number of elements: ");
    const std::optional<std::int32_t> count = read_count(input, writing);
    if (!count) {
        return false;
    }
    const List list = obtain_list(*count);
    if (!list) {
        begin_error(writing) << "cannot obtain storage for " << *count << " integers.\n";
        return false;
    }
    prompt(answered_from, writing, "Please input ", *count, " integers: ");
    if (!read_values(input, writing, list.get(), *count)) {
        return false;
    }

    output << "\n************** Result **************\n";
    write_list(output, "The input array is: ", list.get(), *count);
    const std::int64_t total = count_inversions(list.get(), *count);
    if (total == scratch_unavailable) {
        begin_error(writing) << "the sort could not be done: cannot obtain scratch storage for "
                             << *count << " integers.\n";
        return false;
    }
    write_list(output, "The sorted array is: ", list.get(), *count);
    output << "The number of inversions is " << total << ".\n\n";
    return true;
}

}  // namespace

int run_dialogue(InputSource& input, Output& output, Output& errors, Screen& screen) {
    InputAsShown as_shown(input, screen);
    NumberReader reader(as_shown);
    bool succeeded = ask_and_answer(as_shown, reader, {output, errors, screen});
    reader.give_back_unread();
    errors.flush();
    if (!succeeded) {
        output << '\n';
    }
    output << final_prompt;
    output.flush();
    // Output lost to a full disk or a closed stream must not pass for success.
    if (succeeded && output.error() != 0) {
        errors << "Error: cannot write the output: " << std::strerror(output.error()) << ".\n";
        errors.flush();
        succeeded = false;
    }
    return succeeded ? 0 : 1;
}
