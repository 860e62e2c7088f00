// Transparent huge pages for the program's big blocks, the list and the sort's scratch: the
// kernel then faults each 2 MiB of them in at once rather than 4 KiB at a time, which takes a
// large share of the time of a big sort. Only advice: the blocks still come from malloc, and
// where the system has no such pages, or its setting is "never", nothing changes.
#pragma once

#include <cstddef>
#include <cstdint>

// The huge-page size of x86-64 and of ARM64 with 4 KiB pages.
inline constexpr std::uintptr_t huge_page_size = std::uintptr_t{2} << 20;

// The whole huge pages inside the block of bytes at start, as [first, last); empty (first ==
// last) for a block under two huge pages, whose fault time is small anyway.
struct HugePageRange {
    std::uintptr_t first;
    std::uintptr_t last;
};
HugePageRange huge_page_range(std::uintptr_t start, std::size_t bytes);

// Advises the kernel to back those pages of a block not yet written with huge pages, on Linux;
// elsewhere it does nothing. A refusal (a kernel without them) is ignored.
void advise_huge_pages(void* block, std::size_t bytes);
