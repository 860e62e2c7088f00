#include <iostream>

#include "dialogue/dialogue.h"
#include "dialogue/wait_for_key.h"
#include "inversions/inversions.h"

int main() {
    keep_scratch_warm();
    // Unsynchronised, the standard streams read and write through buffers of their own rather
    // than a C stdio call per character.
    std::ios::sync_with_stdio(false);
    const int status = run_dialogue(std::cin, std::cout, std::cerr, typed_input_can_end_mid_line());
    wait_for_key();
    return status;
}
