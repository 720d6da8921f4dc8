// ASCII character classes for protocol and markup text. Unlike <cctype>
// they never depend on the locale (the desktop app runs in the user's, and
// in a Latin-1 one the lead bytes of Shift_JIS characters count as
// letters), so a byte above 0x7F is never a letter or a digit here.
#pragma once

#include <string_view>

namespace ks {

constexpr char ascii_lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr bool is_ascii_alpha(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
constexpr bool is_ascii_digit(char c) {
  return c >= '0' && c <= '9';
}
constexpr bool is_ascii_alnum(char c) {
  return is_ascii_alpha(c) || is_ascii_digit(c);
}

constexpr bool iequals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  }
  return true;
}

}  // namespace ks
