// The dialogue driven in-process, for the faults that cannot be staged from outside: storage
// that cannot be obtained part-way and output that cannot be written.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "allocation_hook.h"
#include "chunked_source.h"
#include "dialogue/dialogue.h"

namespace {

struct Transcript {
    int status;
    std::string output;
    std::string errors;
};

Transcript converse(InputSource&& source, std::size_t failing_allocation = 0) {
    std::ostringstream output;
    std::ostringstream errors;
    allocation_hook::watch(failing_allocation);
    const int status = run_dialogue(source, output, errors);
    allocation_hook::stop();
    return {status, output.str(), errors.str()};
}

Transcript converse(const std::string& typed, std::size_t failing_allocation = 0) {
    return converse(ChunkedSource(typed), failing_allocation);
}

TEST(Dialogue, CompleteRunEndsWithStatusZero) {
    const Transcript run = converse("3\n3 1 2\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(run.output,
              "Please input the number of elements: Please input 3 integers: \n"
              "************** Result **************\n"
              "The input array is: 3 1 2 \n"
              "The sorted array is: 1 2 3 \n"
              "The number of inversions is 2.\n\n"
              "Press ENTER to return.");
}

TEST(Dialogue, ListStorageThatCannotBeObtained) {
    const Transcript run = converse("3\n3 1 2\n", 1);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "Error: cannot obtain storage for 3 integers.\n");
    EXPECT_EQ(run.output, "Please input the number of elements: \nPress ENTER to return.");
}

TEST(Dialogue, ScratchThatCannotBeObtained) {
    if (!allocation_hook::sees_scratch) {
        GTEST_SKIP() << "this build's allocation hook cannot see the scratch (malloc)";
    }
    const Transcript run = converse("3\n3 1 2\n", 2);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors,
              "Error: the sort could not be done: cannot obtain scratch storage for 3 integers.\n");
    EXPECT_EQ(run.output.find("The sorted array is"), std::string::npos);
    EXPECT_EQ(run.output.find("The number of inversions"), std::string::npos);
}

// A source that fails at once, part-way through a value and just before the character that
// ends the last one: a read error like any other. One that ends is never asked again.
TEST(Dialogue, InputThatCannotBeReadOrHasEnded) {
    const std::string asked_count = "Please input the number of elements: ";
    const std::string asked_values = asked_count + "Please input 3 integers: ";
    const std::string unreadable = "Error: cannot read the input: Input/output error.\n";
    const struct {
        std::string typed;
        std::size_t chunk, fail_at;
        std::string output, errors;
    } cases[] = {
        {"3 3 1 2\n", 4, 0, asked_count + "\n", unreadable},
        {"3\n3 1 2\n", 2, 5, asked_values + "\n", unreadable},
        {"3\n3 1 2", 3, 7, asked_values + "\n", unreadable},
        {"3\n3 1", 1, std::string::npos, asked_values + "\n",
         "Error: expected 3 integers, but the input ended after 2.\n"},
    };
    for (const auto& c : cases) {
        const Transcript run = converse(ChunkedSource(c.typed, c.chunk, c.fail_at));
        EXPECT_EQ(run.status, 1) << c.typed;
        EXPECT_EQ(run.errors, c.errors) << c.typed;
        EXPECT_EQ(run.output, c.output + "Press ENTER to return.") << c.typed;
    }
    EXPECT_EQ(converse(ChunkedSource("3\n3 1 2\n", 3, 8)).status, 0);
}

TEST(Dialogue, OutputThatCannotBeWrittenIsAnError) {
    std::ofstream full("/dev/full");
    if (!full) {
        GTEST_SKIP() << "no /dev/full here";
    }
    ChunkedSource input("2 1 0");
    std::ostringstream errors;
    EXPECT_EQ(run_dialogue(input, full, errors), 1);
    EXPECT_EQ(errors.str(), "Error: cannot write the output.\n");
}

// The reading takes characters only as far as the last number: what follows is given back,
// for whoever reads next.
TEST(Dialogue, LeavesEverythingAfterTheLastValueUnread) {
    ChunkedSource input("2 5 -7\n9 rest");
    std::ostringstream output;
    std::ostringstream errors;
    EXPECT_EQ(run_dialogue(input, output, errors), 0);
    EXPECT_EQ(input.rest(), "\n9 rest");
}

}  // namespace
