#include "allocation_hook.h"

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

#ifdef ALLOCATION_HOOK_WRAPS_MALLOC
namespace {

// Records an allocation of size bytes if watching; true where it is the one to fail.
bool record(std::size_t size) {
    if (!watching) {
        return false;
    }
    watching = false;  // the vector may allocate too
    sizes.push_back(size);
    watching = true;
    return sizes.size() == failing_allocation;
}

}  // namespace

// The linker sends the program's calls of malloc here, and __real_malloc to the C library's.
extern "C" void* __real_malloc(std::size_t size);

extern "C" void* __wrap_malloc(std::size_t size) {
    return record(size) ? nullptr : __real_malloc(size);
}
#endif
