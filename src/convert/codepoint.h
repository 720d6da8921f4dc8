// Unicode code point -> Shift_JIS, shared by the UTF-8 decoder, feed
// references and the character reference decoder. Thread-safe; the tables are
// built on first use.
#pragma once

#include <cstdint>
#include <string>

namespace ks::convert {

// The Shift_JIS form of a code point: code page 932 first, then the fallback
// tables for characters that code page 932 rejects but pages commonly carry
// (no-break and zero-width spaces, dashes, the wave dash, ...).
// Returns a single byte (< 0x100), a pair (lead << 8 | trail), or -1.
int32_t code_point_to_sjis(char32_t cp);

// Appends the one or two bytes of code_point_to_sjis(cp), or "??" when the
// code point has no form.
void append_code_point(std::string& out, char32_t cp);

}  // namespace ks::convert
