#include "store/tree_sort.h"

#include "platform/sjis.h"
#include "store/node.h"

namespace ks::store {
namespace {

unsigned char fold(char c) {
  auto b = static_cast<unsigned char>(c);
  return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b - 'A' + 'a') : b;
}

}  // namespace

bool label_less(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  // Up to the first difference both labels have the same bytes, so a byte
  // that is the trail of a double-byte character in one is so in the other;
  // trail bytes in 'A'..'Z' are parts of kanji, not letters, and are not folded.
  bool trail = false;
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = trail ? static_cast<unsigned char>(a[i]) : fold(a[i]);
    unsigned char y = trail ? static_cast<unsigned char>(b[i]) : fold(b[i]);
    if (x != y) return x < y;
    trail = !trail && is_sjis_pair(a, i) && is_sjis_pair(b, i);
  }
  if (a.size() != b.size()) return a.size() < b.size();
  for (std::size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(a[i]);
    auto y = static_cast<unsigned char>(b[i]);
    if (x != y) return x < y;
  }
  return false;
}

std::string count_suffix(uint32_t count) {
  if (count >= kMaxTagCount) return " 9999+";
  return " " + std::to_string(count);
}

}  // namespace ks::store
