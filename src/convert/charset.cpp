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

void validate_utf8(Validator& v, unsigned char c) {
  switch (v.state) {
    case Validity::kInvalid:
      return;
    case Validity::kIdle:
    case Validity::kValid:
      if (c <= 0x7F) return;
      if (c >= 0xC2 && c <= 0xDF) {
        v.expected = 1;
      } else if (c >= 0xE0 && c <= 0xEF) {
        v.expected = 2;
      } else if (c >= 0xF0 && c <= 0xFB) {
        v.expected = 3;
      } else if (c == 0xFC || c == 0xFD) {
        v.expected = 4;
      } else {
        v.state = Validity::kInvalid;
        return;
      }
      v.state = Validity::kInSequence;
      return;
    case Validity::kInSequence:
      if (c < 0x80 || c > 0xBF) {
        v.state = Validity::kInvalid;
      } else if (--v.expected == 0) {
        v.state = Validity::kValid;
      }
      return;
  }
}

void validate_sjis(Validator& v, unsigned char c) {
  switch (v.state) {
    case Validity::kInvalid:
      return;
    case Validity::kIdle:
    case Validity::kValid:
      if (c <= 0x7F || (c >= 0xA1 && c <= 0xDF)) return;
      if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
        v.state = Validity::kInSequence;
      } else {
        v.state = Validity::kInvalid;
      }
      return;
    case Validity::kInSequence:
      v.state = (c >= 0x40 && c <= 0xFC && c != 0x7F) ? Validity::kValid : Validity::kInvalid;
      return;
  }
}

void validate_euc(Validator& v, unsigned char c) {
  switch (v.state) {
    case Validity::kInvalid:
      return;
    case Validity::kIdle:
    case Validity::kValid:
      if (c <= 0x7F) return;
      if (c >= 0xA1 && c <= 0xFE) {
        v.kind = 0;
        v.expected = 1;
      } else if (c == 0x8E) {
        v.kind = 1;
        v.expected = 1;
      } else if (c == 0x8F) {
        v.kind = 2;
        v.expected = 2;
      } else {
        v.state = Validity::kInvalid;
        return;
      }
      v.state = Validity::kInSequence;
      return;
    case Validity::kInSequence: {
      unsigned char hi = v.kind == 1 ? 0xDF : 0xFE;
      if (c < 0xA1 || c > hi) {
        v.state = Validity::kInvalid;
      } else if (--v.expected == 0) {
        v.state = Validity::kValid;
      }
      return;
    }
  }
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
