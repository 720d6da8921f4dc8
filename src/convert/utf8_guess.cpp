#include "convert/utf8_guess.h"

namespace ks::convert {

namespace {

constexpr char kCharsetWord[] = "charset";
constexpr char kEncodingWord[] = "encoding";
constexpr uint8_t kCharsetLength = sizeof kCharsetWord - 1;
constexpr uint8_t kEncodingLength = sizeof kEncodingWord - 1;

// One letter more of `word`, or a new start (no letter of either word
// repeats its first one, so a mismatch can only start over).
inline uint8_t advance(const char* word, uint8_t matched, unsigned char lower) {
  if (lower == static_cast<unsigned char>(word[matched])) return static_cast<uint8_t>(matched + 1);
  return lower == static_cast<unsigned char>(word[0]) ? 1 : 0;
}

}  // namespace

bool Utf8Guess::watch(const unsigned char* p, std::size_t n) {
  if (failed_) return false;
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char c = p[i];
    if (c >= 0x80 || utf8_.state == Validity::kInSequence) {
      validate_utf8(utf8_, c);
      if (utf8_.state == Validity::kInvalid) {
        failed_ = true;
        return false;
      }
      charset_ = encoding_ = 0;
      continue;
    }
    if (c == 0x1B) {
      failed_ = true;
      return false;
    }
    if (c == '\r' || c == '\n') continue;
    const unsigned char lower = c | 0x20;
    charset_ = advance(kCharsetWord, charset_, lower);
    encoding_ = advance(kEncodingWord, encoding_, lower);
    if (charset_ == kCharsetLength || encoding_ == kEncodingLength) {
      failed_ = true;
      return false;
    }
  }
  return true;
}

}  // namespace ks::convert
