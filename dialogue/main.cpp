#include <iostream>

#include "dialogue/dialogue.h"
#include "dialogue/input_source.h"
#include "dialogue/start_up.h"
#include "dialogue/wait_for_key.h"

int main() {
    keep_scratch_warm();
    // Unsynchronised, standard output writes through a buffer of its own rather than a C stdio
    // call per character.
    std::ios::sync_with_stdio(false);
    StandardInput input;
    const int status = run_dialogue(input, std::cout, std::cerr, input_typed_at_terminal());
    input.discard_rest_of_line();
    wait_for_key();
    return status;
}
