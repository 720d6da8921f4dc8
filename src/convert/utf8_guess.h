// Reading an undeclared UTF-8 page once instead of twice.
//
// Detection reads a page as Shift_JIS and learns only at its end that it was
// UTF-8 all along; the page is then converted a second time. Instead, the
// first reading stops at the first whole UTF-8 character (between tags) and
// the page is read as UTF-8 at once, while a Utf8Guess watches the raw bytes
// from that point on for anything that would have made the first reading end
// otherwise:
//
//   - a byte that breaks UTF-8, or a character cut off by the end;
//   - ESC, which turns detection into ISO-2022-JP;
//   - the words "charset" or "encoding" (any case, CR and LF between their
//     letters ignored, as quoted attribute values drop them): every charset
//     declaration in a tag needs one of them, and a tag that starts after
//     the switch holds only bytes from after it.
//
// Any of these and the guess fails: the page is read again the long way, so
// the text is the same byte for byte either way.
#pragma once

#include <cstddef>
#include <cstdint>

#include "convert/charset.h"

namespace ks::convert {

class Utf8Guess {
 public:
  Utf8Guess() = default;
  // `utf8`: the UTF-8 validator of the first reading where it stopped.
  explicit Utf8Guess(const Validator& utf8) : utf8_(utf8) {}

  // The next raw bytes of the body. False once the guess has failed.
  bool watch(const unsigned char* p, std::size_t n);
  // After the last byte: the first reading would have chosen UTF-8.
  bool held() const { return !failed_ && utf8_.state == Validity::kValid; }

 private:
  bool step(unsigned char c);  // false: the guess fails here

  Validator utf8_;
  uint8_t charset_ = 0;   // letters of "charset" matched so far
  uint8_t encoding_ = 0;  // letters of "encoding" matched so far
  bool failed_ = false;
};

}  // namespace ks::convert
