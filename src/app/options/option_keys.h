// The keys of kestrelscan.ini with their section, type, capacity, the range
// an editor accepts and the correction applied on reading, each bound to its
// field of Options. In write order. Shared by loading, saving and the CLI.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/options/options.h"

namespace ks::app_options {

enum class OptionType { kInt, kString, kMultiLine };

struct OptionKey {
  const char* section;
  const char* name;
  OptionType type;
  std::size_t capacity;  // strings: bytes with the terminating zero
  int32_t min;           // editors refuse values outside [min, max]
  int32_t max;
  bool read_as_rule;  // values outside [min, max] read as `read_as`
  int32_t read_as;
  bool write_only;  // written, never read (TREEFONT's custom colours)
  int32_t* (*int_field)(Options&);
  std::string* (*str_field)(Options&);

  int32_t& int_of(Options& o) const { return *int_field(o); }
  int32_t int_of(const Options& o) const { return *int_field(const_cast<Options&>(o)); }
  std::string& str_of(Options& o) const { return *str_field(o); }
  const std::string& str_of(const Options& o) const { return *str_field(const_cast<Options&>(o)); }
};

const std::vector<OptionKey>& option_keys();
// Looks a key up by section and name (exact case); "" as section finds the
// first key of that name in any section (CONFIG and FONT keys are unique).
const OptionKey* find_option_key(std::string_view section, std::string_view name);

// One line stored form of a multi-line text: CR as 0x01, LF as 0x02.
std::string multiline_to_file(std::string_view text);
std::string multiline_from_file(std::string_view stored);

// kLineBreak: CR, LF or NUL in a one-line text (multi-line texts may hold
// CR and LF, never NUL).
enum class SetStatus { kOk, kNotANumber, kOutOfRange, kTooLong, kLineBreak };
// Parses `text` (Shift_JIS) as the key's value and stores it when valid.
SetStatus set_option_text(const OptionKey& key, Options& o, std::string_view text);
// The value as text (multi-line values with real CR LF).
std::string option_text(const OptionKey& key, const Options& o);

}  // namespace ks::app_options
