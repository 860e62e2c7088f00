// Eight characters at a time, as one 64-bit word whose lowest byte is the first character, on
// every machine: the number reader loads them so and the number writer stores them so.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

// The bytes of word in the opposite order; compilers make one instruction of it.
constexpr std::uint64_t byte_swap(std::uint64_t word) {
    std::uint64_t swapped = 0;
    for (int i = 0; i < 8; ++i) {
        swapped = (swapped << 8) | ((word >> (8 * i)) & 0xFF);
    }
    return swapped;
}

// On a big-endian machine memory holds the first character in the word's highest byte, and one
// byte swap each way puts it in the lowest.
inline std::uint64_t load_eight(const char* characters) {
    std::uint64_t word = 0;
    std::memcpy(&word, characters, sizeof word);
    return std::endian::native == std::endian::big ? byte_swap(word) : word;
}

inline void store_eight(char* characters, std::uint64_t word) {
    if constexpr (std::endian::native == std::endian::big) {
        word = byte_swap(word);
    }
    std::memcpy(characters, &word, sizeof word);
}
