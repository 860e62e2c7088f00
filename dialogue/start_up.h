// Process-wide settings the program makes once, at start-up.
#pragma once

// Sets the C library's allocator up for the sort's pattern: where it is glibc, blocks of up to
// 32 MiB (its largest setting) come from the heap and are reused from one split to the next,
// rather than mapped afresh, page by page, and unmapped again by every splitting call.
// Elsewhere it does nothing.
void keep_scratch_warm();
