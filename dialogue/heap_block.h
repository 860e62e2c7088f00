// Heap blocks from malloc, released with free, and buffers made of them. Unlike new, even its
// nothrow form, malloc reports a failure only by returning null: libstdc++'s nothrow new throws and
// catches inside, and where memory is so short that the exception itself finds no room, that ends
// the program.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>

struct FreeBlock {
    void operator()(void* block) const noexcept {
        std::free(block);
    }
};

template <typename Element>
using HeapBlock = std::unique_ptr<Element[], FreeBlock>;

// Uninitialised storage for count elements, or null where it cannot be obtained. At least one
// byte is asked for: malloc(0) may return null on some systems.
template <typename Element>
HeapBlock<Element> obtain_block(std::size_t count) {
    const std::size_t bytes = count == 0 ? 1 : count * sizeof(Element);
    return HeapBlock<Element>(static_cast<Element*>(std::malloc(bytes)));
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
