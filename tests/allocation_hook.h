// Watches the allocations the program makes through nothrow new[] (its list and every scratch
// array) and can make one of them fail.
#pragma once

#include <cstddef>
#include <vector>

namespace allocation_hook {

// Starts watching afresh. fail_at is the 1-based number of the allocation that is to fail,
// or 0 for none.
void watch(std::size_t fail_at = 0);

// Stops watching and returns the byte sizes asked for since watch(), in order.
std::vector<std::size_t> stop();

}  // namespace allocation_hook
