#include "inversions/memory.h"

#include <cstdlib>  // any C library header says which C library this is

#ifdef __GLIBC__
#include <malloc.h>
#endif
#ifdef __linux__
#include <sys/mman.h>
#endif

HugePageRange huge_page_range(std::uintptr_t start, std::size_t bytes) {
    if (bytes < 2 * huge_page_size) {
        return {start, start};
    }
    const std::uintptr_t first = (start + huge_page_size - 1) & ~(huge_page_size - 1);
    const std::uintptr_t last = (start + bytes) & ~(huge_page_size - 1);
    return {first, last};
}

void advise_huge_pages(void* block, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const HugePageRange pages = huge_page_range(start, bytes);
    if (pages.first != pages.last) {
        // The pages' address from the block's own, not from an integer.
        madvise(static_cast<char*>(block) + (pages.first - start), pages.last - pages.first,
                MADV_HUGEPAGE);
    }
#else
    static_cast<void>(block);
    static_cast<void>(bytes);
#endif
}

void keep_scratch_warm() {
#ifdef __GLIBC__
    // Setting the threshold stops glibc from moving it, and from moving the trim threshold with
    // it: that one is set to twice the threshold, as glibc's own adjustment would, so that the
    // heap is not given back and faulted in again between one split and the next.
    constexpr int threshold = 32 << 20;
    mallopt(M_MMAP_THRESHOLD, threshold);
    mallopt(M_TRIM_THRESHOLD, 2 * threshold);
#endif
}
