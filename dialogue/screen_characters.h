// How characters show on the screen: which ones a quoted word in a message shows as \xNN, since
// they show as nothing, as a space, or on the character before them; and how many columns each
// takes, for erasing typed text. From the Unicode Character Database, in the version that
// unicode_tables.h names.
#pragma once

#include <cstddef>

// True for the space separators other than the ASCII space (Zs), the line and paragraph
// separators (Zl, Zp), the format characters (Cf) and the other default-ignorable code points
// (variation selectors among them); and, at the start of a word, for a non-spacing or enclosing
// mark (Mn, Me), which would sit on the quote before it (a spacing mark, Mc, takes a column of
// its own and shows).
bool is_invisible(char32_t code_point, bool starts_word);

// The columns a printable character takes: 0 for the invisible ones and combining marks, 2 for
// the wide and fullwidth ones of East Asian scripts and emoji, else 1.
int screen_columns(char32_t code_point);
