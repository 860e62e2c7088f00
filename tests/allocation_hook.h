// Watches the allocations the program makes, its list through nothrow new[] and every scratch
// array through malloc, and can make one of them fail. Scratch is seen only where the linker
// wraps malloc for the tests (see tests/CMakeLists.txt); elsewhere the tests that need it skip.
#pragma once

#include <cstddef>
#include <vector>

namespace allocation_hook {

#ifdef ALLOCATION_HOOK_WRAPS_MALLOC
inline constexpr bool sees_scratch = true;
#else
inline constexpr bool sees_scratch = false;
#endif

// Starts watching afresh. fail_at is the 1-based number of the allocation that is to fail,
// or 0 for none.
void watch(std::size_t fail_at = 0);

// Stops watching and returns the byte sizes asked for since watch(), in order.
std::vector<std::size_t> stop();

}  // namespace allocation_hook
