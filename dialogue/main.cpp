#include "dialogue/dialogue.h"
#include "dialogue/input_source.h"
#include "dialogue/output.h"
#include "dialogue/start_up.h"
#include "dialogue/wait_for_key.h"
#include "inversions/memory.h"

int main() {
    keep_scratch_warm();
    // Standard output and error through buffers of the program's own over the descriptors: the
    // C++ streams allocate in ways that throw, and cannot wait on a non-blocking pipe.
    StandardOutput standard_output(1);
    StandardOutput standard_error(2);
    Output output(standard_output, std::size_t{1} << 16);
    Output errors(standard_error, 512);
    const OnScreen on_screen = streams_on_screen();
    StandardInput input(on_screen.input);
    const int status = run_dialogue(input, output, errors, on_screen);
    input.discard_rest_of_line();
    wait_for_key();
    return status;
}
