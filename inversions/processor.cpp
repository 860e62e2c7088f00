#include "inversions/processor.h"

#include <atomic>

namespace {

std::atomic<bool> portable_forced{false};

#ifdef INVERSIONS_AVX512
// Asked of the processor once, before main.
bool has_avx512_for_merge() noexcept {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") != 0;
}
bool has_avx512_for_writer() noexcept {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512bw") != 0 &&
           __builtin_cpu_supports("avx512vbmi2") != 0;
}
const bool merge_has = has_avx512_for_merge();
const bool writer_has = has_avx512_for_writer();
#else
constexpr bool merge_has = false;
constexpr bool writer_has = false;
#endif

}  // namespace

bool vector_merge_chosen() {
    return merge_has && !portable_forced.load(std::memory_order_relaxed);
}

bool vector_writer_chosen() {
    return writer_has && !portable_forced.load(std::memory_order_relaxed);
}

void force_portable_paths(bool portable) {
    portable_forced.store(portable, std::memory_order_relaxed);
}
