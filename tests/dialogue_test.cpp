// The dialogue driven in-process, for the faults that cannot be staged from outside: storage
// that cannot be obtained part-way and output that cannot be written.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "allocation_hook.h"
#include "chunked_source.h"
#include "dialogue/dialogue.h"

namespace {

// The allocations are watched from the dialogue's start: the output's buffers come before.
Transcript run_on(InputSource& source, std::size_t failing_allocation = 0, int output_failure = 0,
                    OnScreen on_screen = {}) {
    Transcript run = transcript(source, output_failure, on_screen,
                                [&] { allocation_hook::watch(failing_allocation); });
    allocation_hook::stop();
    return run;
}

Transcript run_on(InputSource&& source, std::size_t failing_allocation = 0,
                    int output_failure = 0) {
    return run_on(source, failing_allocation, output_failure);
}

Transcript run_on(const std::string& typed, std::size_t failing_allocation = 0) {
    return run_on(ChunkedSource(typed), failing_allocation);
}

// The reader's buffer is the first allocation: without it, a small one of its own serves.
TEST(Dialogue, CompleteRunEndsWithStatusZero) {
    for (const std::size_t failing_allocation : {std::size_t{0}, std::size_t{1}}) {
        const Transcript run = run_on("3\n3 1 2\n", failing_allocation);
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
}

// The list is the second allocation, the first scratch array the third.
TEST(Dialogue, StorageThatCannotBeObtained) {
    if (!allocation_hook::sees_malloc) {
        GTEST_SKIP() << "this build's allocation hook cannot see malloc";
    }
    const Transcript no_list = run_on("3\n3 1 2\n", 2);
    EXPECT_EQ(no_list.status, 1);
    EXPECT_EQ(no_list.errors, "Error: cannot obtain storage for 3 integers.\n");
    EXPECT_EQ(no_list.output, "Please input the number of elements: \nPress ENTER to return.");

    const Transcript run = run_on("3\n3 1 2\n", 3);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors,
              "Error: the sort could not be done: cannot obtain scratch storage for 3 integers.\n");
    EXPECT_EQ(run.output.find("The sorted array is"), std::string::npos);
    EXPECT_EQ(run.output.find("The number of inversions"), std::string::npos);
}

// A source that fails at once, part-way through a value and just before the character that
// ends the last one: a read error like any other, also one that names no reason. One that ends
// is never asked again.
TEST(Dialogue, InputThatCannotBeReadOrHasEnded) {
    const std::string asked_count = "Please input the number of elements: ";
    const std::string asked_values = asked_count + "Please input 3 integers: ";
    const std::string unreadable = "Error: cannot read the input: Input/output error.\n";
    const struct {
        std::string typed;
        std::size_t chunk, fail_at;
        std::string output, errors;
        int error = EIO;
    } cases[] = {
        {"3 3 1 2\n", 4, 0, asked_count + "\n", unreadable},
        {"3\n3", 2, 2, asked_values + "\n", unreadable, 0},
        {"3\n3 1 2\n", 2, 5, asked_values + "\n", unreadable},
        {"3\n3 1 2", 3, 7, asked_values + "\n", unreadable},
        {"3\n3 1", 1, std::string::npos, asked_values + "\n",
         "Error: expected 3 integers, but the input ended after 2, on line 2.\n"},
    };
    for (const auto& c : cases) {
        const Transcript run = run_on(ChunkedSource(c.typed, c.chunk, c.fail_at, c.error));
        EXPECT_EQ(run.status, 1) << c.typed;
        EXPECT_EQ(run.errors, c.errors) << c.typed;
        EXPECT_EQ(run.output, c.output + "Press ENTER to return.") << c.typed;
    }
    EXPECT_EQ(run_on(ChunkedSource("3\n3 1 2\n", 3, 8)).status, 0);
    // Input from a file, output and errors on the screen: the error line starts a line of its own.
    ChunkedSource file("3\n3 1 x");
    const Transcript on_screen = run_on(file, 0, 0, {false, true, true});
    EXPECT_EQ(on_screen.output, asked_values + "\n\nPress ENTER to return.");
    EXPECT_EQ(on_screen.errors,
              "Error: expected integer 3 of 3 as a whole number, found \"x\" on line 2, column 5.\n");
}

TEST(Dialogue, OutputThatCannotBeWrittenIsAnError) {
    const Transcript run = run_on(ChunkedSource("2 1 0"), 0, ENOSPC);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "Error: cannot write the output: No space left on device.\n");
}

// The reading takes characters only as far as the last number: what follows is given back,
// for whoever reads next.
TEST(Dialogue, LeavesEverythingAfterTheLastValueUnread) {
    ChunkedSource input("2 5 -7\n9 rest");
    EXPECT_EQ(run_on(input).status, 0);
    EXPECT_EQ(input.rest(), "\n9 rest");
}

}  // namespace
