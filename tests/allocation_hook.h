// Watches the allocations the program makes through malloc (its buffers, its list and every
// scratch array), and can make one of them fail. They are seen only where the linker wraps
// malloc for the tests (see tests/CMakeLists.txt); elsewhere the tests that need it skip.
#pragma once

#include <cstddef>
#include <vector>

namespace allocation_hook {

#ifdef ALLOCATION_HOOK_WRAPS_MALLOC
inline constexpr bool sees_malloc = true;
#else
inline constexpr bool sees_malloc = false;
#endif

// Starts watching afresh. fail_at is the 1-based number of the allocation that is to fail,
// or 0 for none.
void watch(std::size_t fail_at = 0);

// Stops watching and returns the byte sizes asked for since watch(), in order.
std::vector<std::size_t> stop();

}  // namespace allocation_hook
