// The final keystroke wait, read from the console or terminal itself rather than from standard
// input: piped input neither ends the wait nor is consumed by it.
#pragma once

// Waits until one key is pressed after the wait began, without echoing it, discards whatever
// else is typed or pasted until the keyboard has been quiet for a moment, and leaves the
// console or terminal as it found it. Keys typed before the wait began are discarded unread:
// they were pressed before the result was there to be read. Returns at once where there is no
// console or terminal to wait on, or where standard output does not go to it.
void wait_for_key();

// After the key, whatever keeps arriving (a paste comes in pieces over tens of milliseconds,
// and keys may be typed on) is discarded until the keyboard has been quiet for quiet_gap_ms,
// or for at most discard_limit_ms in all, so that none of it reaches the shell.
inline constexpr int quiet_gap_ms = 150;
inline constexpr int discard_limit_ms = 3000;
