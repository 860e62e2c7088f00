// The program's heap memory: blocks from malloc, released with free; buffers made of them, with a
// small one of their own where a block cannot be had; transparent huge pages for the big blocks,
// the list and the sort's scratch; and the allocator's settings for the sort's pattern.
//
// Unlike new, even its nothrow form, malloc reports a failure only by returning null: libstdc++'s
// nothrow new throws and catches inside, and where memory is so short that the exception itself
// finds no room, that ends the program. A sort makes two allocations per element, and the
// layers that new[] and delete[] put over malloc and free cost about a tenth of its time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

struct FreeBlock {
    void operator()(void* block) const noexcept {
        std::free(block);
    }
};

template <typename Element>
using HeapBlock = std::unique_ptr<Element[], FreeBlock>;

// Advises the kernel to back the whole huge pages of a block not yet written with huge pages, on
// Linux, so that it faults each 2 MiB in at once rather than 4 KiB at a time; elsewhere, and
// where the system's setting is "never", nothing changes. A refusal is ignored.
void advise_huge_pages(void* block, std::size_t bytes);

// Uninitialised storage for count elements, or null where it cannot be obtained; huge pages are
// advised for it. At least one byte is asked for: malloc(0) may return null on some systems.
template <typename Element>
HeapBlock<Element> obtain_block(std::size_t count) {
    const std::size_t bytes = count == 0 ? 1 : count * sizeof(Element);
    HeapBlock<Element> block(static_cast<Element*>(std::malloc(bytes)));
    if (block) {
        advise_huge_pages(block.get(), bytes);
    }
    return block;
}

// A buffer of the capacity asked for, from malloc; where that cannot be had, a small one of its
// own stands in, so that the work goes on in smaller pieces rather than failing.
class Buffer {
  public:
    explicit Buffer(std::size_t capacity)
        : obtained_(obtain_block<char>(capacity)),
          data_(obtained_ ? obtained_.get() : own_),
          capacity_(obtained_ ? capacity : sizeof own_) {}
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;

    char* data() const {
        return data_;
    }
    std::size_t capacity() const {
        return capacity_;
    }

  private:
    HeapBlock<char> obtained_;
    char own_[256];
    char* data_;
    std::size_t capacity_;
};

// The huge-page size of x86-64 and of ARM64 with 4 KiB pages.
inline constexpr std::uintptr_t huge_page_size = std::uintptr_t{2} << 20;

// The whole huge pages inside the block of bytes at start, as [first, last); empty (first ==
// last) for a block under two huge pages, whose fault time is small anyway.
struct HugePageRange {
    std::uintptr_t first;
    std::uintptr_t last;
};
HugePageRange huge_page_range(std::uintptr_t start, std::size_t bytes);

// Sets the C library's allocator up for the sort's pattern: where it is glibc, blocks of up to
// 32 MiB (its largest setting) come from the heap and are reused from one split to the next,
// rather than mapped afresh, page by page, and unmapped again by every splitting call.
// Elsewhere it does nothing. Called once, at start-up.
void keep_scratch_warm();
