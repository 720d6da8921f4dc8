// When two text lines count as the same line. Spaces (0x20) never count; with
// `ignore_number` ASCII digits do not count either; with `ignore_url` a marked
// URL span (0x01 or 0x02 up to and including the next 0x03, or to the end of
// the line) does not count. Without either flag only spaces are skipped, and
// the span marks compare like other bytes.
#pragma once

#include <cstdint>
#include <string_view>

namespace ks::compare {

struct LineEquality {
  bool ignore_number = false;
  bool ignore_url = false;  // IGNORE_URL or IGNORE_IMAGE_NAME
};

bool lines_equal(std::string_view a, std::string_view b, LineEquality mode);

// A hash of exactly the bytes that lines_equal compares: equal lines always
// have equal hashes, so the diff compares hashes first.
uint64_t line_hash(std::string_view line, LineEquality mode);

}  // namespace ks::compare
