// Process-wide settings the program makes once, at start-up, and what it finds there.
#pragma once

#include "dialogue/dialogue.h"

// Which standard streams show on the one screen: the terminal or console at which standard
// input is typed, or else the one that standard output goes to.
OnScreen streams_on_screen();
