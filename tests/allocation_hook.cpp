#include "allocation_hook.h"

#include <new>

namespace {

bool watching = false;
std::size_t failing_allocation = 0;
std::vector<std::size_t> sizes;

}  // namespace

namespace allocation_hook {

void watch(std::size_t fail_at) {
    sizes.clear();
    sizes.reserve(1024);
    failing_allocation = fail_at;
    watching = true;
}

std::vector<std::size_t> stop() {
    watching = false;
    return sizes;
}

}  // namespace allocation_hook

// Replaces the library's nothrow new[]. The memory itself still comes from the ordinary new[],
// so the ordinary delete[] releases it.
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (watching) {
        watching = false;  // the vector may allocate too
        sizes.push_back(size);
        watching = true;
        if (sizes.size() == failing_allocation) {
            return nullptr;
        }
    }
    try {
        return ::operator new[](size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
