#include <cstddef>

#include "dialogue/dialogue.h"
#include "dialogue/output.h"
#include "dialogue/platform.h"
#include "inversions/memory.h"

namespace {

// Standard output and error through buffers of the program's own over the descriptors: the
// C++ streams allocate in ways that throw, and cannot wait on a non-blocking pipe.
int run_buffered(const StandardStreams& streams) {
    Output output(streams.output, std::size_t{1} << 16);
    Output errors(streams.errors, 512);
    return run_dialogue(streams.input, output, errors, streams.screen);
}

}  // namespace

int main() {
    keep_scratch_warm();
    const int status = with_standard_streams(run_buffered);
    wait_for_key();
    return status;
}
