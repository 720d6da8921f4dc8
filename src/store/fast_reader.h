// The fast INI reader for whole records (site.db): the file is read once,
// indexed in one pass, and looked up by exact-case section and key names,
// unlike the private-profile functions, which ignore case and reread the
// file per key.
//
// Limits: at most kMaxFastReadBytes of the file are read (the rest is cut),
// at most 100 sections and 200 keys are indexed (later ones are not found).
// Each reader owns its buffer and index, so threads read records at once by
// using a reader each.
//
// Line rules: blanks at the start of a line are skipped; "[" opens a section
// name that ends at "]" or the line end; anything else starts a key, which
// ends at "=" (blanks before "=" dropped). The value starts after the blanks
// following "=" and runs to CR or LF, trailing blanks dropped. A key line
// without "=" has an empty value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ks::store {

inline constexpr std::size_t kMaxFastReadBytes = 65535;
inline constexpr std::size_t kMaxFastSections = 100;
inline constexpr std::size_t kMaxFastKeys = 200;

class FastReader {
 public:
  // Indexes `bytes` (cut to kMaxFastReadBytes).
  explicit FastReader(std::string_view bytes);
  // Reads the file (a missing one reads as empty).
  static FastReader load(std::string_view path);

  // The value of a key, nullopt when the section or key is not indexed.
  std::optional<std::string_view> find(std::string_view section, std::string_view key) const;
  // Signed decimal: leading blanks, an optional sign, digits up to the first
  // other byte (no digits give 0; the value saturates at the int32 limits).
  // An absent or empty value gives `fallback`.
  int32_t get_int(std::string_view section, std::string_view key, int32_t fallback) const;
  // The value cut to `capacity` - 1 bytes (never inside a double-byte
  // character); an absent value gives "".
  std::string get_string(std::string_view section, std::string_view key,
                         std::size_t capacity) const;

  std::size_t section_count() const { return sections_.size(); }
  std::size_t key_count() const { return keys_.size(); }

 private:
  struct Span {
    uint32_t begin = 0;
    uint32_t end = 0;
  };
  struct Key {
    uint32_t section = 0;  // index into sections_ + 1; 0: before any section
    Span name;
    Span value;
  };
  std::string_view text(Span s) const {
    return std::string_view(buf_).substr(s.begin, s.end - s.begin);
  }
  void index();

  std::string buf_;
  std::vector<Span> sections_;
  std::vector<Key> keys_;
};

// Parses a value as the fast reader does (signed decimal, saturating).
int32_t parse_decimal(std::string_view value);
// Cuts text to at most `max_bytes` bytes without splitting a double-byte
// character; true when something was cut.
bool cut_text(std::string& text, std::size_t max_bytes);

}  // namespace ks::store
