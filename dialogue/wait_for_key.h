// The final keystroke wait, read from the console or terminal itself rather than from standard
// input: piped input neither ends the wait nor is consumed by it.
#pragma once

// Waits until one key is pressed, without echoing it, and leaves the console or terminal as it
// found it. Returns at once where there is no console or terminal to wait on.
void wait_for_key();
