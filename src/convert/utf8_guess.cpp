#include "convert/utf8_guess.h"

#include <array>

namespace ks::convert {

namespace {

constexpr char kCharsetWord[] = "charset";
constexpr char kEncodingWord[] = "encoding";
constexpr uint8_t kCharsetLength = sizeof kCharsetWord - 1;
constexpr uint8_t kEncodingLength = sizeof kEncodingWord - 1;

// The bytes that matter between characters with no letter matched: the
// start of a multi-byte character, ESC, and the first letters of the words.
constexpr std::array<bool, 256> kWatched = [] {
  std::array<bool, 256> t{};
  for (int c = 0x80; c < 256; ++c) t[c] = true;
  for (unsigned char c : {'\x1B', 'c', 'C', 'e', 'E'}) t[c] = true;
  return t;
}();

// One letter more of `word`, or a new start (no letter of either word
// repeats its first one, so a mismatch can only start over).
inline uint8_t advance(const char* word, uint8_t matched, unsigned char lower) {
  if (lower == static_cast<unsigned char>(word[matched])) return static_cast<uint8_t>(matched + 1);
  return lower == static_cast<unsigned char>(word[0]) ? 1 : 0;
}

}  // namespace

bool Utf8Guess::watch(const unsigned char* p, std::size_t n) {
  if (failed_) return false;
  std::size_t i = 0;
  while (i < n) {
    if (charset_ == 0 && encoding_ == 0 && utf8_.state != Validity::kInSequence) {
      while (i < n && !kWatched[p[i]]) ++i;
      // Whole three-byte characters (most Japanese text) at once.
      const std::size_t start = i;
      while (i + 2 < n && p[i] >= 0xE0 && p[i] <= 0xEF && (p[i + 1] & 0xC0) == 0x80 &&
             (p[i + 2] & 0xC0) == 0x80) {
        i += 3;
      }
      if (i != start) {
        utf8_.state = Validity::kValid;
        continue;
      }
      if (i == n) break;
    }
    if (!step(p[i++])) {
      failed_ = true;
      return false;
    }
  }
  return true;
}

bool Utf8Guess::step(unsigned char c) {
  if (c >= 0x80 || utf8_.state == Validity::kInSequence) {
    validate_utf8(utf8_, c);
    charset_ = encoding_ = 0;
    return utf8_.state != Validity::kInvalid;
  }
  if (c == 0x1B) return false;
  if (c == '\r' || c == '\n') return true;
  const unsigned char lower = c | 0x20;
  charset_ = advance(kCharsetWord, charset_, lower);
  encoding_ = advance(kEncodingWord, encoding_, lower);
  return charset_ < kCharsetLength && encoding_ < kEncodingLength;
}

}  // namespace ks::convert
