// Running a check on each path the processor can take: the vector one where chosen says it has
// it, and the portable one, forced.
#pragma once

#include <gtest/gtest.h>

#include "inversions/processor.h"

template <typename Check>
void on_each_path(bool (*chosen)(), Check check) {
    force_portable_paths(false);
    if (chosen()) {
        SCOPED_TRACE("vector path");
        check();
    }
    force_portable_paths(true);
    SCOPED_TRACE("portable path");
    check();
    force_portable_paths(false);
}
