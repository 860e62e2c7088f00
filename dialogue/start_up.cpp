#include "dialogue/start_up.h"

#include <cstdlib>  // any C library header says which C library this is

#ifdef __GLIBC__
#include <malloc.h>
#endif

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
