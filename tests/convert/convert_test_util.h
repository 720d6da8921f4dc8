// Helpers for the converter tests: convert a body with chosen settings, and
// write Japanese test text in Shift_JIS without pasting raw bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

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

#include "convert/page_sink.h"

namespace ks::convert::test {

// Drives a StringSink the way the response reader does, for one body with
// header declarations: header(...) then body(...).
class StringSinkRun {
 public:
  explicit StringSinkRun(const ConvertSettings& s) : sink_(s) {}
  void header(std::string_view charset) { headers_.emplace_back(charset); }
  std::string body(std::string_view bytes) {
    for (int pass = 1; pass <= net::kMaxPasses; ++pass) {
      sink_.begin_pass(pass);
      for (const std::string& h : headers_) sink_.header_charset(h);
      sink_.begin_body();
      sink_.write(bytes);
      if (!sink_.end_pass()) break;
    }
    return sink_.text();
  }
  int passes() const { return sink_.passes(); }

 private:
  StringSink sink_;
  std::vector<std::string> headers_;
};

}  // namespace ks::convert::test
