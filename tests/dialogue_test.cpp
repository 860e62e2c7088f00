// The dialogue driven in-process, for the faults that cannot be staged from outside: storage
// that cannot be obtained part-way and output that cannot be written.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "allocation_hook.h"
#include "dialogue/dialogue.h"

namespace {

using File = std::unique_ptr<std::FILE, decltype(&std::fclose)>;

File temporary_file() {
    return File(std::tmpfile(), &std::fclose);
}

std::string contents(std::FILE* file) {
    std::string text;
    std::rewind(file);
    for (int c = std::getc(file); c != EOF; c = std::getc(file)) {
        text += static_cast<char>(c);
    }
    return text;
}

struct Transcript {
    int status;
    std::string output;
    std::string errors;
};

Transcript converse(const std::string& typed, std::size_t failing_allocation = 0) {
    const File input = temporary_file();
    const File output = temporary_file();
    const File errors = temporary_file();
    std::fputs(typed.c_str(), input.get());
    std::rewind(input.get());
    allocation_hook::watch(failing_allocation);
    const int status = run_dialogue(input.get(), output.get(), errors.get());
    allocation_hook::stop();
    return {status, contents(output.get()), contents(errors.get())};
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
    const Transcript run = converse("3\n3 1 2\n", 2);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "Error: cannot obtain scratch storage to sort 3 integers.\n");
    EXPECT_EQ(run.output.find("The sorted array is"), std::string::npos);
    EXPECT_EQ(run.output.find("The number of inversions"), std::string::npos);
}

TEST(Dialogue, OutputThatCannotBeWrittenIsAnError) {
    const File full(std::fopen("/dev/full", "w"), &std::fclose);
    if (!full) {
        GTEST_SKIP() << "no /dev/full here";
    }
    const File input = temporary_file();
    const File errors = temporary_file();
    std::fputs("2 1 0", input.get());
    std::rewind(input.get());
    EXPECT_EQ(run_dialogue(input.get(), full.get(), errors.get()), 1);
    EXPECT_EQ(contents(errors.get()), "Error: cannot write the output.\n");
}

}  // namespace
