#include "convert/codepoint.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/sjis.h"

namespace ks::convert {
namespace {

struct Fallback {
  char32_t cp;
  const char* text;  // UTF-8; its Shift_JIS form is one or two bytes
};

// Characters that code page 932 rejects but that pages use for ordinary
// text: each maps to the look-alike that Japanese readers expect. Sorted by
// code point (searched by bisection; the first of equal code points wins).
constexpr Fallback kFallback[] = {
    {0x00A0, " "},  {0x00A2, "￠"}, {0x00A3, "￡"}, {0x00A5, "\\"}, {0x00AC, "￢"}, {0x00AE, "R"},
    {0x00BF, "?"},  {0x200B, " "},  {0x200C, " "},  {0x200D, " "},  {0x2013, "-"},  {0x2014, "―"},
    {0x2015, "―"},  {0x2016, "∥"},  {0x2022, "･"},  {0x2026, "…"},  {0x202A, " "},  {0x2039, "〈"},
    {0x203A, "〉"}, {0x2048, "?!"}, {0x2122, "TM"}, {0x2212, "－"}, {0x301C, "～"}, {0x3099, "゛"},
    {0x309A, "゜"}, {0xFEFF, " "},  {0xFFE3, "￣"}, {0xFFE5, "￥"}, {0xFFFD, "?"},
};
// Consulted after the first table: a kanji that some code page 932 tables lack.
constexpr Fallback kFallback2[] = {{0x7E6B, "繋"}};

struct Row {
  char32_t cp;
  int32_t code;
};

template <std::size_t N>
std::vector<Row> build(const Fallback (&rows)[N]) {
  std::vector<Row> out;
  for (const Fallback& f : rows) {
    std::string sj = utf8_to_sjis(f.text);
    int32_t code = static_cast<unsigned char>(sj[0]);
    if (sj.size() == 2) code = code << 8 | static_cast<unsigned char>(sj[1]);
    out.push_back({f.cp, code});
  }
  return out;
}

int32_t bisect(const std::vector<Row>& table, char32_t cp) {
  auto it = std::lower_bound(table.begin(), table.end(), cp,
                             [](const Row& r, char32_t c) { return r.cp < c; });
  if (it != table.end() && it->cp == cp) return it->code;
  return -1;
}

}  // namespace

int32_t code_point_to_sjis(char32_t cp) {
  int32_t code = unicode_to_cp932(cp);
  if (code >= 0) return code;
  static const std::vector<Row> first = build(kFallback);
  static const std::vector<Row> second = build(kFallback2);
  code = bisect(first, cp);
  if (code >= 0) return code;
  return bisect(second, cp);
}

void append_code_point(std::string& out, char32_t cp) {
  int32_t code = code_point_to_sjis(cp);
  if (code < 0) {
    out += "??";
  } else if (code < 0x100) {
    out += static_cast<char>(code);
  } else {
    out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
  }
}

}  // namespace ks::convert
