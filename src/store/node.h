// Node kinds and the 32-bit node tag that every tree node carries. The tag
// packs the kind (low three bits), the marks the tree shows (automatic check
// disabled, last result, importance, escaped folder name) and, for groups, the
// number of items and templates below them. Pure values; any thread.
#pragma once

#include <cstdint>
#include <string_view>

namespace ks::store {

enum class NodeKind : uint32_t {
  kRoot = 0,          // the data folder itself
  kGroup = 1,         // NAME.grp, at any depth below the data folder
  kItem = 2,          // NAME.dat, in the data folder or a group
  kTemplateRoot = 3,  // the template folder
  kTemplate = 4,      // NAME.tpl, directly in the template folder
};

inline constexpr uint32_t kTagKindMask = 0x007;
inline constexpr uint32_t kTagNoAutoCheck = 0x010;     // DISABLE_AUTO_CHECK is set
inline constexpr uint32_t kTagError = 0x020;           // last result code 4..7
inline constexpr uint32_t kTagUpdated = 0x040;         // last result code 3
inline constexpr uint32_t kTagEscapedName = 0x080;     // folder name holds escapes
inline constexpr uint32_t kTagPriorityMiddle = 0x100;  // SITE_PRIORITY 1
inline constexpr uint32_t kTagPriorityHigh = 0x200;    // SITE_PRIORITY 2
inline constexpr uint32_t kTagResultMask = kTagError | kTagUpdated;
inline constexpr uint32_t kTagPriorityMask = kTagPriorityMiddle | kTagPriorityHigh;
// Bits 10..23: a group's count of items and templates in its subtree.
inline constexpr int kTagCountShift = 10;
inline constexpr uint32_t kTagCountMask = 0x3FFFu << kTagCountShift;
inline constexpr uint32_t kMaxTagCount = 10000;  // counts above this are kept at it

constexpr NodeKind tag_kind(uint32_t tag) {
  return static_cast<NodeKind>(tag & kTagKindMask);
}
constexpr uint32_t tag_with_kind(uint32_t tag, NodeKind kind) {
  return (tag & ~kTagKindMask) | static_cast<uint32_t>(kind);
}
constexpr uint32_t tag_count(uint32_t tag) {
  return (tag & kTagCountMask) >> kTagCountShift;
}
constexpr uint32_t tag_with_count(uint32_t tag, uint32_t count) {
  if (count > kMaxTagCount) count = kMaxTagCount;
  return (tag & ~kTagCountMask) | (count << kTagCountShift);
}
// Importance bits from SITE_PRIORITY (1 middle, 2 high, anything else none).
constexpr uint32_t tag_with_priority(uint32_t tag, int32_t site_priority) {
  tag &= ~kTagPriorityMask;
  if (site_priority == 1) tag |= kTagPriorityMiddle;
  if (site_priority == 2) tag |= kTagPriorityHigh;
  return tag;
}
// Result bits from a result code: 3 updated, 4..7 error, others neither.
constexpr uint32_t tag_with_result(uint32_t tag, int32_t result_code) {
  tag &= ~kTagResultMask;
  if (result_code == 3) tag |= kTagUpdated;
  if (result_code >= 4 && result_code <= 7) tag |= kTagError;
  return tag;
}
constexpr uint32_t tag_with_flag(uint32_t tag, uint32_t flag, bool on) {
  return on ? (tag | flag) : (tag & ~flag);
}

// Folder name extension of a kind: ".grp", ".dat", ".tpl"; empty for the
// root and the template root, whose folders have fixed names.
std::string_view kind_extension(NodeKind kind);

}  // namespace ks::store
