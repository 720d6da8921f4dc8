// INI files with the behaviour of the classic private-profile functions:
// section and key names compare without regard to ASCII case (Shift_JIS pairs
// compare exactly), blanks around names and values are trimmed, a value in
// matching quotes loses them, new keys go to the end of their section and new
// sections to the end of the file, and the file is created on first write.
// Files are Shift_JIS with CR LF line ends; LF alone is accepted on reading.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ks {

// An INI file held in memory. Lines that are not touched keep their bytes.
class Profile {
 public:
  static Profile parse(std::string_view bytes);
  // A missing or unreadable file gives an empty profile.
  static Profile load(std::string_view path);

  std::optional<std::string> get(std::string_view section, std::string_view key) const;
  std::string get_string(std::string_view section, std::string_view key,
                         std::string_view fallback) const;
  // Decimal value as GetPrivateProfileInt reads it: blanks, an optional '-',
  // digits up to the first other byte; a present key without digits gives 0.
  int get_int(std::string_view section, std::string_view key, int fallback) const;
  bool has_section(std::string_view section) const;
  // Key names of a section in file order.
  std::vector<std::string> keys(std::string_view section) const;

  void set(std::string_view section, std::string_view key, std::string_view value);
  // Adds a section that is not there yet with its keys in the given order:
  // what set() for each key in turn gives, without a scan of the section per
  // key (a new file of many keys is written in one pass).
  void add_section(std::string_view section,
                   const std::vector<std::pair<std::string, std::string>>& keys);
  void remove_key(std::string_view section, std::string_view key);
  void remove_section(std::string_view section);

  std::string serialize() const;
  // Atomic replace of the file; false when it cannot be written.
  bool save(std::string_view path) const;

 private:
  // Index of the section header line, or npos.
  std::size_t find_section(std::string_view section) const;
  // End of a section's lines (the next header or the end).
  std::size_t section_end(std::size_t header) const;
  std::size_t find_key(std::size_t header, std::string_view key) const;

  std::vector<std::string> lines_;  // without line ends
};

// The private-profile calls, one file operation each. Writes replace the file
// atomically. `capacity` counts the terminating zero of the caller's buffer,
// so at most capacity - 1 bytes come back; 0 means no limit.
std::string profile_read_string(std::string_view path, std::string_view section,
                                std::string_view key, std::string_view fallback,
                                std::size_t capacity = 0);
int profile_read_int(std::string_view path, std::string_view section, std::string_view key,
                     int fallback);
bool profile_write_string(std::string_view path, std::string_view section, std::string_view key,
                          std::string_view value);
bool profile_delete_key(std::string_view path, std::string_view section, std::string_view key);
bool profile_delete_section(std::string_view path, std::string_view section);
// Writes are never cached, so there is nothing to flush; kept for callers that
// mirror the classic sequence.
inline void profile_flush(std::string_view /*path*/) {}

// Compares ASCII letters without regard to case; Shift_JIS pairs compare exactly.
bool profile_name_equal(std::string_view a, std::string_view b);

// Whether text holds a byte no value on a line may hold: CR, LF or NUL.
// Profile::set drops such bytes from every name and value it writes, so no
// value can ever end its line and set other keys; entry points refuse or
// strip them before that (multi-line texts are stored with CR as 0x01 and
// LF as 0x02).
bool has_line_break(std::string_view text);
// `text` without CR, LF and NUL.
std::string profile_one_line(std::string_view text);

}  // namespace ks
