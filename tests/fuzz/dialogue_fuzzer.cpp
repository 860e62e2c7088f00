// libFuzzer target: any bytes as the program's standard input. Every input must give either
// the complete result, right for the values a reference reading finds, or exactly one error
// line and no result. The same bytes typed at a terminal, editing keys among them, must edit
// the same lines whether the editor echoes them or the terminal already did.
#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "brute_force.h"
#include "chunked_source.h"
#include "dialogue/dialogue.h"
#include "dialogue/line_editor.h"

namespace {

using Values = std::vector<std::int32_t>;

// A word as "%d" must take it whole: an optional sign, then decimal digits, in int32 range.
std::optional<std::int32_t> whole_number(std::string_view word) {
    if (!word.empty() && word.front() == '+') {
        word.remove_prefix(1);
        if (word.empty() || word.front() == '-') {
            return std::nullopt;
        }
    }
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size()) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> found;
    constexpr std::string_view white_space = " \t\n\v\f\r";
    for (std::size_t start = text.find_first_not_of(white_space);
         start != std::string_view::npos;) {
        const std::size_t end = std::min(text.find_first_of(white_space, start), text.size());
        found.push_back(text.substr(start, end - start));
        start = text.find_first_not_of(white_space, end);
    }
    return found;
}

// The values the dialogue should accept, or nothing where it should report an error. A UTF-8
// byte order mark at the start is passed over; UTF-16 is refused.
std::optional<Values> reference_reading(std::string_view typed) {
    if (typed.starts_with("\xFF\xFE") || typed.starts_with("\xFE\xFF")) {
        return std::nullopt;
    }
    if (typed.starts_with("\xEF\xBB\xBF")) {
        typed.remove_prefix(3);
    }
    const std::vector<std::string_view> all = words(typed);
    const std::optional<std::int32_t> count =
        all.empty() ? std::nullopt : whole_number(all.front());
    if (!count || *count < 0 || static_cast<std::size_t>(*count) >= all.size()) {
        return std::nullopt;
    }
    Values values;
    for (std::size_t i = 1; i <= static_cast<std::size_t>(*count); ++i) {
        const std::optional<std::int32_t> value = whole_number(all[i]);
        if (!value) {
            return std::nullopt;
        }
        values.push_back(*value);
    }
    return values;
}

std::string listed(const Values& values) {
    std::string text;
    for (const std::int32_t value : values) {
        text += std::to_string(value) + ' ';
    }
    return text;
}

std::string expected_result(const Values& values) {
    Values sorted = values;
    std::sort(sorted.begin(), sorted.end());
    return "Please input the number of elements: Please input " + std::to_string(values.size()) +
           " integers: \n" + "************** Result **************\n" +
           "The input array is: " + listed(values) + "\nThe sorted array is: " + listed(sorted) +
           "\nThe number of inversions is " + std::to_string(count_pairs_by_brute_force(values)) +
           ".\n\nPress ENTER to return.";
}

void require(bool holds) {
    if (!holds) {
        std::abort();
    }
}

}  // namespace

// A count that the input cannot fill could ask for up to 8 GiB of list. Here such a request
// fails instead, taking the program's own path for storage it cannot obtain; every list that
// an input of fuzzing size can fill stays far below the cap.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1:max_allocation_size_mb=64";
}

Transcript run_on(InputSource&& source) {
    return transcript(source);
}

// The lines handed over, each followed by the step that ended it.
std::string edited_lines(std::string_view typed, bool echo) {
    TextTarget screen;
    Output shown(screen, 256);
    LineEditor editor;
    std::string lines;
    for (const char byte : typed) {
        const LineEditor::Step step = editor.feed(static_cast<unsigned char>(byte),
                                                  {0x7F, 0x17, 0x15, 0x04, echo, true}, shown);
        if (step != LineEditor::Step::editing) {
            lines.append(editor.text(), editor.size()) += static_cast<char>(step);
            editor.clear();
        }
    }
    return lines.append(editor.text(), editor.size());
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string typed(reinterpret_cast<const char*>(data), size);
    const Transcript plain = run_on(ChunkedSource(typed));

    // Handed out a few characters at a time, the same input gives the same transcript. Where
    // the source fails part-way, the transcript is the same if the reading was done before the
    // failure, and otherwise a read error.
    const std::size_t chunk = 1 + size % 23;
    require(run_on(ChunkedSource(typed, chunk)) == plain);
    const Transcript failed = run_on(ChunkedSource(typed, chunk, size / 2));
    require(failed == plain ||
            (failed.status == 1 &&
             failed.errors == "Error: cannot read the input: Input/output error.\n" &&
             failed.output.find("Result") == std::string::npos));

    require(edited_lines(typed, true) == edited_lines(typed, false));

    const std::optional<Values> values = reference_reading(typed);
    if (values) {
        require(plain.status == 0);
        require(plain.errors.empty());
        require(plain.output == expected_result(*values));
    } else {
        const std::string error = plain.errors;
        require(plain.status == 1);
        require(error.rfind("Error: ", 0) == 0);
        require(std::count(error.begin(), error.end(), '\n') == 1 && error.back() == '\n');
        require(plain.output.find("Result") == std::string::npos);
        const std::string_view ending = "\nPress ENTER to return.";
        require(plain.output.size() >= ending.size() &&
                plain.output.compare(plain.output.size() - ending.size(), ending.size(), ending) ==
                    0);
    }
    return 0;
}
