// Which console input events end the key wait on Windows.
#pragma once

#include <windows.h>

// True for a key-down that carries a character, or of one of the keys that carry none but still
// end the wait as they do for the C runtime's _getch: F1 to F12, the arrows, Home, End, Page Up,
// Page Down, Insert, Delete and Escape, alone or with Shift, Ctrl or Alt. False for key
// releases, mouse, focus, menu and size events, and for a modifier key pressed alone.
bool ends_wait(const INPUT_RECORD& event);
