// Process-wide settings the program makes once, at start-up, and what it finds there.
#pragma once

#include "dialogue/dialogue.h"

// Sets the C library's allocator up for the sort's pattern: where it is glibc, blocks of up to
// 32 MiB (its largest setting) come from the heap and are reused from one split to the next,
// rather than mapped afresh, page by page, and unmapped again by every splitting call.
// Elsewhere it does nothing.
void keep_scratch_warm();

// Which standard streams show on the one screen: the terminal or console at which standard
// input is typed, or else the one that standard output goes to.
OnScreen streams_on_screen();
