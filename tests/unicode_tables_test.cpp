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

// Calls take(code_point, fields) for each code point of each data line of a database file:
// those of its code point or range "XXXX..YYYY", with the fields after it, comments left out.
// False where the file cannot be read.
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
            field.erase(field.find_last_not_of(' ') + 1);
            fields.push_back(field.erase(0, field.find_first_not_of(' ')));
        }
        const std::size_t dots = range.find("..");
        const auto last =
            std::stoul(range.substr(dots == std::string::npos ? 0 : dots + 2), nullptr, 16);
        for (auto c = std::stoul(range, nullptr, 16); c <= last; ++c) {
            take(static_cast<char32_t>(c), fields);
        }
    }
    return file.eof();
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
    char32_t range_start = 0;  // UnicodeData.txt gives a range as its First and its Last line
    ASSERT_TRUE(read_database("UnicodeData.txt", [&](char32_t c, const auto& fields) {
        for (char32_t at = fields[0].ends_with(", Last>") ? range_start : c; at <= c; ++at) {
            category[at] = fields[1];
        }
        range_start = c;
    }));
    ASSERT_TRUE(read_database("EastAsianWidth.txt", [&](char32_t c, const auto& fields) {
        wide[c] = fields[0] == "W" || fields[0] == "F";
    }));
    ASSERT_TRUE(read_database("DerivedCoreProperties.txt", [&](char32_t c, const auto& fields) {
        ignorable[c] = ignorable[c] || fields[0] == "Default_Ignorable_Code_Point";
    }));

    // The code points at which the tables disagree with the database: the first of each run.
    std::string disagree;
    bool within_run = false;
    for (char32_t c = 0; c < code_points; ++c) {
        const std::string& is = category[c];
        const bool invisible =
            (is == "Zs" && c != U' ') || is == "Zl" || is == "Zp" || is == "Cf" || ignorable[c];
        const bool mark = is == "Mn" || is == "Me";
        // The wide table merges its ranges across unassigned code points: those may be either.
        const int columns = invisible || mark ? 0 : wide[c] ? 2 : 1;
        const bool agrees = is_invisible(c, false) == invisible &&
                            is_invisible(c, true) == (invisible || mark) &&
                            (is == "Cn" || screen_columns(c) == columns);
        if (!agrees && !within_run) {
            char first[16];
            static_cast<void>(
                std::snprintf(first, sizeof first, " %04X", static_cast<unsigned>(c)));
            disagree += first;
        }
        within_run = !agrees;
    }
    EXPECT_EQ(disagree, "");
}

}  // namespace
