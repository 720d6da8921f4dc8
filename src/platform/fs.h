// File-system access for the core. Paths inside the core are Shift_JIS byte
// strings joined with '/'; these functions convert them to the operating
// system's UTF-8 names and back. Length limits (260 bytes and so on) are
// measured by callers on the Shift_JIS form.
//
// The data folder is outside input like any page: another program may have
// left a symbolic link, a FIFO or a hard link where a file of ours belongs.
// So every descriptor opened here is close-on-exec (nothing leaks into the
// browsers and drivers the system starts), readers open only regular files,
// writers never write through a link (they replace such an entry by a fresh
// file), and folder walks never follow links to folders. On failure errno
// tells the first cause, whatever clean-up followed.
#pragma once

#include <cstdint>
#include <cstdio>
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
// Creates one new folder in an existing parent; false (errno EEXIST) when
// anything of that name is there already.
bool make_new_dir(std::string_view path);

struct DirEntry {
  std::string name;         // Shift_JIS
  bool is_dir = false;      // a folder itself, never a link to one
  bool is_regular = false;  // a regular file itself, never a link to one
};
// Entries of a folder other than "." and "..", in no particular order. Names
// that have no Shift_JIS form are left out. Empty when the folder cannot be read.
// A symbolic link is neither a folder nor a regular file here, so walks built
// on this never follow one (two links to "." would make a walk endless).
std::vector<DirEntry> scan_dir(std::string_view path);

// Deletes a file or a whole folder tree; true when nothing is left.
bool remove_tree(std::string_view path);
bool remove_file(std::string_view path);
// rename(2): replaces an existing file at `to`.
bool rename_path(std::string_view from, std::string_view to);
bool copy_file(std::string_view from, std::string_view to);

// The file's bytes (at most `max_bytes` of them); nullopt when it is missing,
// unreadable or not a regular file (a FIFO would block the reader for good).
std::optional<std::string> read_file(std::string_view path, std::size_t max_bytes = SIZE_MAX);
// Replaces the file as a whole: the bytes go to a temporary file beside it,
// which is then renamed over the old one, so readers (and a crash at any
// moment) see either the old or the new content, never a mix.
bool write_file_atomic(std::string_view path, std::string_view data);
bool append_file(std::string_view path, std::string_view data);

// A regular file opened for reading (a link to one is followed); -1 (errno
// set) for anything else, without blocking on a FIFO.
int open_regular_for_reading(std::string_view path);
// The same as a stdio stream ("rb"); nullptr on failure.
std::FILE* fopen_regular_for_reading(std::string_view path);

// The file at `path` opened for writing, truncated (or positioned at its end
// with `append`). A symbolic link, a special file or a file with a second
// name (hard link) standing there is removed first and a fresh file made, so
// a write never reaches a file outside the folder. -1 (errno set) when the
// path names a folder or the file cannot be made.
int open_for_writing(std::string_view path, bool append = false);
// The same as a stdio stream ("wb"); nullptr on failure.
std::FILE* fopen_for_writing(std::string_view path);

// A new, empty file beside `os_path` (an OS path) under the name
// write_file_atomic() gives its temporaries ("NAME.tmpPID.N"), so one left
// by a killed process is found and removed like theirs. Sets `tmp` to its OS
// path and returns the descriptor, or -1.
int create_temporary_beside(const std::string& os_path, std::string& tmp);

// Removes the temporary files write_file_atomic() left beside the files of
// `folder` when a process that wrote them was killed ("NAME.tmpPID.N" of a
// process that no longer runs). Returns how many were removed.
int remove_stale_temporaries(std::string_view folder);

}  // namespace ks
