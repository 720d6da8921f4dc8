// Moving a file or folder to the desktop's trash, following the
// freedesktop.org trash specification (version 1.0):
//  - on the file system of the home trash ($XDG_DATA_HOME/Trash, by default
//    ~/.local/share/Trash) the home trash is used;
//  - elsewhere the file system's own trash: $topdir/.Trash/$uid when
//    $topdir/.Trash is a real folder with the sticky bit, else
//    $topdir/.Trash-$uid (created when missing);
//  - an info file NAME.trashinfo is created first in info/ (exclusively, so
//    two deletions never take the same name), then the file is renamed to
//    files/NAME; a failed rename removes the info file again.
// Nothing is ever deleted for good: when no trash can take the file it stays
// where it is and the call fails, so the desktop can offer to restore every
// deletion.
#pragma once

#include <string>
#include <string_view>

namespace ks::store {

struct TrashResult {
  bool ok = false;
  std::string error;  // the system's error text (UTF-8) when !ok
};

// `path` is a core (Shift_JIS) path of an existing file or folder.
[[nodiscard]] TrashResult move_to_trash(std::string_view path);

}  // namespace ks::store
