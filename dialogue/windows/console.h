// The Windows console: which standard handles are on it.
#pragma once

#include <windows.h>

#include "dialogue/screen.h"

// True where the standard handle (STD_INPUT_HANDLE, ...) is on the console: it has a console
// mode. A process has one console.
bool on_console(DWORD standard_handle);

// Which standard streams show on the console.
OnScreen streams_on_screen();
