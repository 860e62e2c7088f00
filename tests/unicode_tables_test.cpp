// Every code point as the screen's tables class it, against the Unicode Character Database of the
// version they name, as Debian's unicode-data package installs it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "dialogue/screen_characters.h"
#include "dialogue/unicode_tables.h"

namespace {

constexpr char database[] = "/usr/share/unicode/";
constexpr char32_t code_points = 0x110000;

// Calls take(first, last, fields) for each data line of a database file: its code point or
// range "XXXX..YYYY" and the fields after it, comments left out. False where it cannot be read.
template <typename Take>
bool read_database(const std::string& name, Take take) {
    std::ifstream file(std::string(database) + name);
    for (std::string line; std::getline(file, line);) {
        std::istringstream data(line.substr(0, line.find('#')));
        std::string range;
        std::vector<std::string> fields;
        if (!std::getline(data, range, ';')) {
            continue;
        }
        for (std::string field; std::getline(data, field, ';');) {
            fields.push_back(field.erase(0, field.find_first_not_of(' ')));
        }
        const std::size_t dots = range.find("..");
        const auto first = static_cast<char32_t>(std::stoul(range, nullptr, 16));
        const auto last =
            dots == std::string::npos
                ? first
                : static_cast<char32_t>(std::stoul(range.substr(dots + 2), nullptr, 16));
        take(first, last, fields);
    }
    return file.eof();
}

// The code points at which a table disagrees with the database, as ranges.
std::string disagreements(const std::vector<char32_t>& found) {
    std::string text;
    for (std::size_t i = 0; i < found.size(); ++i) {
        std::size_t last = i;
        while (last + 1 < found.size() && found[last + 1] == found[last] + 1) {
            ++last;
        }
        char range[32];
        static_cast<void>(std::snprintf(range, sizeof range, " %04X..%04X",
                                        static_cast<unsigned>(found[i]),
                                        static_cast<unsigned>(found[last])));
        text += range;
        i = last;
    }
    return text;
}

TEST(ScreenCharacters, TablesAgreeWithTheUnicodeDatabaseAtEveryCodePoint) {
    std::ifstream named(std::string(database) + "DerivedCoreProperties.txt");
    std::string version;
    if (!std::getline(named, version)) {
        GTEST_SKIP() << "no Unicode Character Database in " << database << " (unicode-data)";
    }
    if (version != std::string("# DerivedCoreProperties-") + unicode_version + ".txt") {
        GTEST_SKIP() << database << " holds another version than the tables' " << unicode_version
                     << ": " << version;
    }
    // Each code point's general category (unassigned, Cn, unless listed), and the properties.
    std::vector<std::string> category(code_points, "Cn");
    std::vector<bool> wide(code_points), ignorable(code_points);
    char32_t range_start = 0;
    ASSERT_TRUE(read_database("UnicodeData.txt", [&](char32_t c, char32_t, const auto& fields) {
        const bool ends_range = fields[0].ends_with(", Last>");
        for (char32_t at = ends_range ? range_start : c; at <= c; ++at) {
            category[at] = fields[1];
        }
        range_start = c;
    }));
    ASSERT_TRUE(
        read_database("EastAsianWidth.txt", [&](char32_t first, char32_t last, const auto& f) {
            for (char32_t c = first; c <= last; ++c) {
                wide[c] = f[0].starts_with('W') || f[0].starts_with('F');
            }
        }));
    ASSERT_TRUE(read_database(
        "DerivedCoreProperties.txt", [&](char32_t first, char32_t last, const auto& fields) {
            for (char32_t c = first;
                 c <= last && fields[0].starts_with("Default_Ignorable_Code_Point"); ++c) {
                ignorable[c] = true;
            }
        }));

    std::vector<char32_t> invisible_wrong, mark_wrong, width_wrong;
    for (char32_t c = 0; c < code_points; ++c) {
        const std::string& is = category[c];
        const bool invisible =
            (is == "Zs" && c != U' ') || is == "Zl" || is == "Zp" || is == "Cf" || ignorable[c];
        const bool mark = is == "Mn" || is == "Me";
        if (is_invisible(c, false) != invisible) {
            invisible_wrong.push_back(c);
        }
        if (is_invisible(c, true) != (invisible || mark)) {
            mark_wrong.push_back(c);
        }
        // The wide table merges its ranges across unassigned code points: those may be either.
        const int columns = invisible || mark ? 0 : wide[c] ? 2 : 1;
        if (is != "Cn" && screen_columns(c) != columns) {
            width_wrong.push_back(c);
        }
    }
    EXPECT_EQ(disagreements(invisible_wrong), "") << "invisible";
    EXPECT_EQ(disagreements(mark_wrong), "") << "combining marks";
    EXPECT_EQ(disagreements(width_wrong), "") << "wide";
}

}  // namespace
