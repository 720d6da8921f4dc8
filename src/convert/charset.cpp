#include "convert/charset.h"

#include <array>

namespace ks::convert {
namespace {

struct CharsetName {
  std::string_view name;
  int code;
};

// Searched in this order; with prefix matching the order decides, e.g.
// "euc-jp" before "euc".
constexpr std::array<CharsetName, 9> kNames{{
    {"euc-jp", kCharsetEuc},
    {"x-euc-jp", kCharsetEuc},
    {"euc", kCharsetEuc},
    {"iso-2022-jp", kCharsetJis},
    {"utf-8", kCharsetUtf8},
    {"x-sjis", kCharsetSjis},
    {"shift_jis", kCharsetSjis},
    {"shift-jis", kCharsetSjis},
    {"iso-8859-1", kCharsetLatin1},
}};

char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool starts_with_nocase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (lower(text[i]) != prefix[i]) return false;
  }
  return true;
}

}  // namespace

int charset_by_prefix(std::string_view text) {
  for (const CharsetName& n : kNames) {
    if (starts_with_nocase(text, n.name)) return n.code;
  }
  return 0;
}

int charset_by_name(std::string_view name) {
  for (const CharsetName& n : kNames) {
    if (name.size() == n.name.size() && starts_with_nocase(name, n.name)) return n.code;
  }
  return 0;
}

char32_t windows1252(unsigned char c) {
  static constexpr std::array<char16_t, 32> k80{
      0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  if (c >= 0x80 && c <= 0x9F) return k80[c - 0x80];
  return c;
}

}  // namespace ks::convert
