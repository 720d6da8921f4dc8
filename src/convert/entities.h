// Character references in converted text lines. The converter copies
// references such as "&amp;" or "&#8470;" into its lines unchanged; whoever
// shows or compares a line resolves them here. Thread-safe (the entity table
// is built once on first use).
#pragma once

#include <string>

namespace ks::convert {

// Resolves the character references of a Shift_JIS line in place:
// "&&" becomes "&"; "&name;" and "&name" (names of ASCII letters, digits and
// '#', at most nine) are replaced by their Shift_JIS text when the name is
// known; "&#NNN;" and "&#xHHH;" by the entity table's text for that code
// point, else the code point's Shift_JIS form, else "??". Unknown names and
// longer runs stay as they are. The result is never longer than the input.
void decode_references(std::string& text);

}  // namespace ks::convert
