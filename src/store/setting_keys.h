// The keys of site.db: name, type, capacity, default, the range an editor
// accepts and the correction the reader applies, each bound to its field of
// PageSettings. The table is in the order the writer writes the keys, and is
// shared by the reader, the writer, the CLI and the bulk change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/page_settings.h"

namespace ks::store {

enum class KeyType { kInt, kString };

// How the reader treats a stored integer outside [min, max].
enum class Correction {
  kNone,      // taken as it is
  kOutside,   // any value outside the range reads as `read_as`
  kAboveMax,  // only values above max read as `read_as`
};

struct SettingKey {
  const char* name;
  KeyType type;
  std::size_t capacity;  // strings: bytes with the terminating zero
  int32_t default_value;
  int32_t min;  // editors refuse values outside [min, max]
  int32_t max;
  Correction correction;
  int32_t read_as;
  int32_t* (*int_field)(PageSettings&);
  std::string* (*str_field)(PageSettings&);

  int32_t& int_of(PageSettings& p) const { return *int_field(p); }
  const int32_t& int_of(const PageSettings& p) const {
    return *int_field(const_cast<PageSettings&>(p));
  }
  std::string& str_of(PageSettings& p) const { return *str_field(p); }
  const std::string& str_of(const PageSettings& p) const {
    return *str_field(const_cast<PageSettings&>(p));
  }
  // The reader's correction of a stored value.
  int32_t corrected(int32_t v) const;
};

enum class SetStatus { kOk, kNotANumber, kOutOfRange, kTooLong, kLineBreak };
// Parses `text` (Shift_JIS; a plain decimal for integers) as the key's value
// and stores it in `rec` when valid; an editor's limits apply: integers in
// [min, max], strings at most capacity - 1 bytes and without CR, LF or NUL
// (kLineBreak; COMMENT, the one multi-line value, may hold CR and LF).
// `rec` is unchanged on error.
SetStatus set_setting_text(const SettingKey& key, PageSettings& rec, std::string_view text);
// The value as text.
std::string setting_text(const SettingKey& key, const PageSettings& rec);

// Every key of site.db in write order.
const std::vector<SettingKey>& page_setting_keys();
// The key of that exact name, nullptr when there is none.
const SettingKey* find_page_setting_key(std::string_view name);

}  // namespace ks::store
