// A link file dropped on the window: an Internet shortcut ("*.url", section
// InternetShortcut, key URL) or a freedesktop link ("*.desktop" with
// Type=Link and URL, a UTF-8 file). The new item takes the file's name
// without its extension and the URL inside it. The file is someone else's
// bytes: at most 65,535 bytes are read, and the URL loses CR, LF and NUL so
// it can never add a line to site.db. Any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ks::present {

inline constexpr std::size_t kMaxDroppedLinkFileBytes = 65535;

struct DroppedLink {
  std::string name;  // Shift_JIS, the file name without ".url" / ".desktop"
  std::string url;   // Shift_JIS
};

// Whether the name ends in ".url" or ".desktop" (any case).
bool is_link_file_name(std::string_view file_name);

// Reads a link file (a core path). nullopt for another kind of file, a
// ".desktop" file that is no link, or a file too large or unreadable.
std::optional<DroppedLink> read_link_file(std::string_view path);

}  // namespace ks::present
