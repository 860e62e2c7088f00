// Which characters a quoted word in a message shows as \xNN, since on the screen they show as
// nothing, as a space, or on the character before them. From the Unicode Character Database,
// version 14.0.0.
#pragma once

// True for the space separators other than the ASCII space (Zs), the line and paragraph
// separators (Zl, Zp), the format characters (Cf) and the other default-ignorable code points
// (variation selectors among them); and, at the start of a word, for a combining mark (Mn, Me),
// which would join the quote before it.
bool is_invisible(char32_t code_point, bool starts_word);
