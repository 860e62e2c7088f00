#include "dialogue/dialogue.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>

#include "dialogue/number_reader.h"
#include "dialogue/number_writer.h"
#include "dialogue/quoting.h"
#include "inversions/inversions.h"
#include "inversions/memory.h"

namespace {

using List = HeapBlock<std::int32_t>;

constexpr std::int32_t largest_count = std::numeric_limits<std::int32_t>::max();

// What the exchange reads from and writes to.
struct Streams {
    NumberReader& input;
    InputSource& source;
    Output& output;
    Output& errors;
    Screen& screen;
};

// A line end on the screen: on output where that shows there, else on errors.
void end_screen_line(Streams& streams) {
    (streams.screen.shows().output ? streams.output : streams.errors) << '\n';
    streams.screen.wrote(0);
}

// Starts an error line, which is written when the exchange ends. What was already written to
// output goes first, so that on a terminal the error appears after it, on a line of its own.
Output& begin_error(Streams& streams) {
    if (streams.screen.shows().errors && streams.screen.mid_line()) {
        end_screen_line(streams);
    }
    streams.output.flush();
    return streams.errors << "Error: ";
}

QuotedWord last_word(const Streams& streams) {
    return quote_word(streams.input.word_start(), streams.input.word_length());
}

void report_unreadable(Streams& streams) {
    begin_error(streams) << "cannot read the input: " << std::strerror(streams.input.read_error())
                         << ".\n";
}

// Prompts end without a line end; flushing shows them before the read that follows.
template <typename... Parts>
void prompt(Streams& streams, const Parts&... parts) {
    streams.source.about_to_ask();
    const OnScreen& shows = streams.screen.shows();
    if (shows.input && shows.output && streams.screen.mid_line()) {
        end_screen_line(streams);
    }
    const std::size_t before = streams.output.pending();
    (streams.output << ... << parts);
    const std::size_t width = streams.output.pending() - before;
    streams.output.flush();
    if (shows.output) {
        streams.screen.wrote(width);
    }
}

std::optional<std::int32_t> read_count(Streams& streams) {
    if (!streams.input.pass_byte_order_mark()) {
        begin_error(streams) << "the input is UTF-16 text, but it must be plain text (ASCII or "
                                "UTF-8).\n";
        return std::nullopt;
    }
    std::int32_t count = 0;
    const Found found = streams.input.read(count);
    if (found == Found::number && count >= 0) {
        return count;
    }
    if (found == Found::unreadable) {
        report_unreadable(streams);
        return std::nullopt;
    }
    Output& error = begin_error(streams);
    if (found == Found::end_of_input) {
        error << "expected the number of elements, but the input ended.\n";
    } else if (found == Found::not_whole) {
        error << "expected the number of elements as a whole number, found "
              << last_word(streams).view() << ".\n";
    } else {
        error << "the number of elements must be from 0 to " << largest_count << ", found "
              << last_word(streams).view() << ".\n";
    }
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

bool read_values(Streams& streams, std::int32_t* values, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) {
        const Found found = streams.input.read(values[i]);
        if (found == Found::number) {
            continue;
        }
        if (found == Found::unreadable) {
            report_unreadable(streams);
            return false;
        }
        Output& error = begin_error(streams);
        if (found == Found::end_of_input) {
            error << "expected " << count << " integers, but the input ended after " << i << ".\n";
        } else if (found == Found::not_whole) {
            error << "expected integer " << i + 1 << " of " << count << " as a whole number, found "
                  << last_word(streams).view() << ".\n";
        } else {
            error << "integer " << i + 1 << " of " << count
                  << " must be from -2147483648 to 2147483647, found " << last_word(streams).view()
                  << ".\n";
        }
        return false;
    }
    return true;
}

// Everything up to the final prompt. Returns false after writing an error line. The list is
// released on the way out, before the final prompt.
bool converse(Streams& streams) {
    Output& output = streams.output;
    prompt(streams, "Please input the number of elements: ");
    const std::optional<std::int32_t> count = read_count(streams);
    if (!count) {
        return false;
    }
    const List list = obtain_list(*count);
    if (!list) {
        begin_error(streams) << "cannot obtain storage for " << *count << " integers.\n";
        return false;
    }
    prompt(streams, "Please input ", *count, " integers: ");
    if (!read_values(streams, list.get(), *count)) {
        return false;
    }

    output << "\n************** Result **************\n";
    write_list(output, "The input array is: ", list.get(), *count);
    const std::int64_t total = count_inversions(list.get(), *count);
    if (total == scratch_unavailable) {
        begin_error(streams) << "the sort could not be done: cannot obtain scratch storage for "
                             << *count << " integers.\n";
        return false;
    }
    write_list(output, "The sorted array is: ", list.get(), *count);
    output << "The number of inversions is " << total << ".\n\n";
    return true;
}

}  // namespace

int run_dialogue(InputSource& input, Output& output, Output& errors, Screen& screen) {
    NumberReader reader(input);
    Streams streams = {reader, input, output, errors, screen};
    bool succeeded = converse(streams);
    reader.give_back_unread();
    errors.flush();
    if (!succeeded) {
        output << '\n';
    }
    output << "Press ENTER to return.";
    output.flush();
    // Output lost to a full disk or a closed stream must not pass for success.
    if (succeeded && output.error() != 0) {
        errors << "Error: cannot write the output: " << std::strerror(output.error()) << ".\n";
        errors.flush();
        succeeded = false;
    }
    return succeeded ? 0 : 1;
}
