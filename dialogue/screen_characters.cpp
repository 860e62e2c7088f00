#include "dialogue/screen_characters.h"

#include <algorithm>
#include <iterator>

#include "dialogue/unicode_tables.h"

namespace {

template <std::size_t size>
bool in(const UnicodeRange (&ranges)[size], char32_t code_point) {
    const auto after =
        std::upper_bound(std::begin(ranges), std::end(ranges), code_point,
                         [](char32_t c, const UnicodeRange& range) { return c < range.first; });
    return after != std::begin(ranges) && code_point <= std::prev(after)->last;
}

}  // namespace

bool is_invisible(char32_t code_point, bool starts_word) {
    return in(invisible_ranges, code_point) ||
           (starts_word && in(combining_mark_ranges, code_point));
}

int screen_columns(char32_t code_point) {
    if (is_invisible(code_point, true)) {
        return 0;
    }
    return in(wide_ranges, code_point) ? 2 : 1;
}
