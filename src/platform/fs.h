// File-system access for the core. Paths inside the core are Shift_JIS byte
// strings joined with '/'; these functions convert them to the operating
// system's UTF-8 names and back. Length limits (260 bytes and so on) are
// measured by callers on the Shift_JIS form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ks {

inline constexpr char kPathSep = '/';

// Shift_JIS path -> the OS name (UTF-8). Bytes that do not decode become U+FFFD.
std::string to_os_path(std::string_view sjis_path);
// OS name -> Shift_JIS; nullopt when the name is not UTF-8 or has a character
// without a Shift_JIS form (such entries are invisible to the core).
std::optional<std::string> from_os_name(std::string_view os_name);

// Joins with exactly one separator between the parts.
std::string path_join(std::string_view dir, std::string_view name);

bool path_exists(std::string_view path);
bool is_directory(std::string_view path);
bool is_regular_file(std::string_view path);
std::optional<int64_t> file_size(std::string_view path);
// Last modification time in seconds since the epoch.
std::optional<int64_t> file_mtime(std::string_view path);

// Creates the folder and every missing parent; true when it exists afterwards.
bool make_dirs(std::string_view path);

struct DirEntry {
  std::string name;  // Shift_JIS
  bool is_dir = false;
};
// Entries of a folder other than "." and "..", in no particular order. Names
// that have no Shift_JIS form are left out. Empty when the folder cannot be read.
std::vector<DirEntry> scan_dir(std::string_view path);

// Deletes a file or a whole folder tree; true when nothing is left.
bool remove_tree(std::string_view path);
bool remove_file(std::string_view path);
// rename(2): replaces an existing file at `to`.
bool rename_path(std::string_view from, std::string_view to);
bool copy_file(std::string_view from, std::string_view to);

std::optional<std::string> read_file(std::string_view path);
// Replaces the file as a whole: the bytes go to a temporary file beside it,
// which is then renamed over the old one, so readers (and a crash at any
// moment) see either the old or the new content, never a mix.
bool write_file_atomic(std::string_view path, std::string_view data);
bool append_file(std::string_view path, std::string_view data);

}  // namespace ks
