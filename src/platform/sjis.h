// Shift_JIS (code page 932) text: byte classes, the code page tables and the
// conversions used at the boundaries of the core (file names, terminal, GUI).
//
// Every string inside the core is Shift_JIS. The system's own texts are
// written as UTF-8 literals in the source and turned into Shift_JIS once with
// KS_SJ("..."), which caches the result per call site (thread-safe).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ks {

constexpr bool is_sjis_lead(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
constexpr bool is_sjis_trail(unsigned char c) {
  return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

// True when s[i] is a lead byte followed by a valid trail byte: the two bytes
// form one character and a scan must step over both.
inline bool is_sjis_pair(std::string_view s, std::size_t i) {
  return i + 1 < s.size() && is_sjis_lead(static_cast<unsigned char>(s[i])) &&
         is_sjis_trail(static_cast<unsigned char>(s[i + 1]));
}

// How many leading bytes of `s` fit in `max` bytes without splitting a
// double-byte character.
inline std::size_t sjis_fit(std::string_view s, std::size_t max) {
  if (s.size() <= max) return s.size();
  std::size_t end = 0;
  while (end < s.size()) {
    const std::size_t step = is_sjis_pair(s, end) ? 2 : 1;
    if (end + step > max) break;
    end += step;
  }
  return end;
}

// Code page 932 as the system's iconv defines it, tabulated once on first use.
// `code` is a single byte (< 0x100) or a pair (lead << 8 | trail).
// Returns the Unicode code point, or -1 when the code has no character.
int32_t cp932_to_unicode(uint16_t code);

// The code page 932 form of a BMP code point: a single byte (< 0x100) or a
// pair (lead << 8 | trail); -1 when there is none. Where several codes decode
// to the same character, the lowest wins, except that the NEC-selected rows
// 0xED/0xEE lose to any other code (the choice Windows makes).
int32_t unicode_to_cp932(char32_t cp);

// Whole-string conversions. A Shift_JIS byte that decodes to nothing becomes
// U+FFFD; a UTF-8 sequence that is invalid or has no Shift_JIS form becomes '?'.
std::string sjis_to_utf8(std::string_view sjis);
std::string utf8_to_sjis(std::string_view utf8);

// Strict variants for names that must survive a round trip: false (and the
// output untouched) when any byte or character does not convert.
bool sjis_to_utf8_strict(std::string_view sjis, std::string& out);
bool utf8_to_sjis_strict(std::string_view utf8, std::string& out);

bool is_valid_utf8(std::string_view s);

}  // namespace ks

// The Shift_JIS form of a UTF-8 string literal, converted on first use.
#define KS_SJ(literal)                                                 \
  ([]() -> const std::string& {                                        \
    static const std::string converted_ = ::ks::utf8_to_sjis(literal); \
    return converted_;                                                 \
  }())
