// Helpers for the converter tests: convert a body with chosen settings, and
// write Japanese test text in Shift_JIS without pasting raw bytes.
#pragma once

#include <string>
#include <string_view>

#include "convert/converter.h"
#include "platform/sjis.h"

namespace ks::convert::test {

inline constexpr std::string_view kPageUrl = "http://example.org/dir/page.html";

inline ConvertSettings settings() {
  ConvertSettings s;
  s.page_url = std::string(kPageUrl);
  return s;
}

inline std::string convert(std::string_view body, const ConvertSettings& s = settings()) {
  return convert_body(body, s);
}

// UTF-8 literal -> Shift_JIS bytes.
inline std::string sj(std::string_view utf8) {
  return utf8_to_sjis(utf8);
}

}  // namespace ks::convert::test
