// Punycode (RFC 3492) and the ASCII form of host names, as sent in the Host
// line and used for the name lookup. Pure functions, safe from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ks {

// Encodes code points by the Bootstring parameters of RFC 3492: the basic
// (ASCII) code points are copied first, followed by '-' when there were any,
// then the encoded deltas. nullopt on arithmetic overflow (inputs far longer
// than any host label) or a code point above U+10FFFF.
std::optional<std::string> punycode_encode(std::u32string_view code_points);

// The ASCII form of a Shift_JIS host name, label by label (labels split at
// '.'): a label holding any byte above 126 becomes "xn--" followed by the
// Punycode of its characters; other labels are copied as they are. A label
// that cannot be encoded is copied unchanged (the name lookup then fails).
std::string host_to_ascii(std::string_view sjis_host);

}  // namespace ks
