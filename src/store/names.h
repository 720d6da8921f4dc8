// Display names <-> folder names. A display name may hold any byte but a
// control byte (see name_has_control_bytes); the eleven characters that folder names of the
// original platform cannot hold ( \ / : , ; * ? " < > | ) and '%' are escaped as %hh / %%.
// Shift_JIS pairs are copied whole, so a trail byte 0x5C or 0x7C is never escaped. Decoding accepts
// a folder name as escaped only when encoding the decoded label gives the folder name back byte for
// byte; any other name (a stray
// '%', an upper-case escape, a raw character that encoding would escape) is
// shown as it is with the escape mark clear. Pure functions; any thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ks::store {

// The longest path the store forms, in bytes without the terminating zero.
inline constexpr std::size_t kMaxPathBytes = 260;
// The longest display name, in bytes.
inline constexpr std::size_t kMaxNameBytes = 260;

bool is_forbidden_name_char(unsigned char c);

// Whether a display name holds a control byte (below 0x20, or 0x7F). Such a
// name is refused: a line break or TAB would break the line-based order
// files (tree.db, treecache.tmp), and ESC and its kind would drive the
// terminal that shows the name. Shift_JIS trail bytes are never below 0x40.
bool name_has_control_bytes(std::string_view name);

// The folder name (without extension) for a display name; nullopt when the
// encoded name is longer than `max_bytes` (the room left in the path).
std::optional<std::string> encode_name(std::string_view display,
                                       std::size_t max_bytes = kMaxPathBytes);

struct DecodedName {
  std::string label;     // what the tree shows
  bool escaped = false;  // decoded cleanly and held at least one escape
};
// The display name for a folder name whose extension was already cut off.
DecodedName decode_name(std::string_view folder_name);

// Checks a name's extension without regard to ASCII case (".dat" matches
// ".DAT"); `ext` is given in lower case with its dot.
bool has_extension(std::string_view name, std::string_view ext);

}  // namespace ks::store
