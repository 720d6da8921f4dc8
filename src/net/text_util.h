// Small ASCII helpers for protocol text (header names, tokens). They compare
// and trim ASCII only, so Shift_JIS bytes pass through untouched.
#pragma once

#include <string>
#include <string_view>

#include "platform/ascii.h"

namespace ks::net {

inline bool istarts_with(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && iequals(s.substr(0, prefix.size()), prefix);
}

// Position of the first occurrence of `needle` in `s`, any ASCII case.
inline std::size_t ifind(std::string_view s, std::string_view needle) {
  if (needle.size() > s.size()) return std::string_view::npos;
  for (std::size_t i = 0; i + needle.size() <= s.size(); ++i) {
    if (iequals(s.substr(i, needle.size()), needle)) return i;
  }
  return std::string_view::npos;
}

inline bool is_ascii_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

inline std::string_view trim_ascii(std::string_view s) {
  while (!s.empty() && is_ascii_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_ascii_blank(s.back())) s.remove_suffix(1);
  return s;
}

// A byte that must never enter a request from outside text: it would end a
// line (CR, LF), end a string (NUL) or end a request-line field (space).
inline bool is_request_unsafe(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b <= 0x20 || b == 0x7F;
}

inline bool has_request_unsafe(std::string_view s) {
  for (char c : s) {
    if (is_request_unsafe(c)) return true;
  }
  return false;
}

// 0..15 for a hexadecimal digit, -1 otherwise.
inline int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace ks::net
