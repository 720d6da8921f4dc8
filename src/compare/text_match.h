// Matching an area text, NG word or extract word against a line. The match
// runs on a copy of the line whose character references are decoded; plain
// texts are case-sensitive byte substrings, regular-expression texts are
// searched over the whole copy. A regular expression that does not compile
// (or any, without the library) never matches.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "compare/regex.h"

namespace ks::compare {

// Resolves character references in a line in place, never making it longer.
// The conversion layer owns the full decoder with the whole entity table and
// hands it to the comparison through CompareEnv; this function is the
// fallback: "&&", the five XML names, nbsp, and numeric references.
using ReferenceDecoder = void (*)(std::string& line);
void decode_basic_references(std::string& line);

class TextMatcher {
 public:
  TextMatcher() = default;
  // An empty text gives an empty matcher.
  TextMatcher(std::string_view text, bool regex, const RegexLibrary& library);

  bool empty() const { return text_.empty(); }
  // `decoded` is the line after reference decoding.
  bool matches(std::string_view decoded) const;

 private:
  std::string text_;
  std::unique_ptr<Regex> regex_;
  bool use_regex_ = false;
};

// The decoded copy of a line for matching.
std::string decoded_copy(std::string_view line, ReferenceDecoder decode);

}  // namespace ks::compare
