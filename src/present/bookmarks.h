// The tree and the bookmark formats of web browsers: export of the whole
// tree as a bookmark file (the Netscape format, UTF-8), import of such a file,
// import of a folder of link files (Internet shortcuts "*.url" and
// freedesktop "*.desktop" links), and a new item for a dropped link.
//
// Imports create group and item folders straight in the data folder, each
// below a new import group, and never outside it: every name is encoded as a
// folder name (store/names.h) and given its extension. Afterwards the new
// group is added to the tree (merge_imported_group) so the rest of the tree
// keeps its order. One operation at a time, on the thread that owns the tree.
//
// Imported files are another program's (or an attacker's) bytes: names lose
// their control bytes, URLs their line breaks and NULs, so an imported link
// can never write a settings key of its own; a folder walk follows no links
// and stops at a depth and a total count.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "store/tree.h"
#include "store/tree_ops.h"

namespace ks::present {

// Status bar text (Shift_JIS); may be empty.
using StatusFn = std::function<void(std::string_view)>;

// The bookmark file of the tree below the root (groups and the template root
// as folders, items and templates as links), UTF-8.
std::string export_bookmarks(const store::Tree& tree, std::string_view base_folder,
                             const StatusFn& status = {});

// Creates parent/encoded-name+ext, or "name(1)", "name(2)"... when taken (up
// to 9,999 tries, from "name(first)" when `first` > 0). nullopt when none
// could be made or the path would pass `max_path` bytes; `too_long` then
// tells the second case. `used` (optional) receives the number taken (0 for
// the plain name).
std::optional<std::string> make_unique_folder(std::string_view parent, std::string_view name,
                                              std::string_view ext, std::size_t max_path,
                                              int first = 0, int* used = nullptr,
                                              bool* too_long = nullptr);

// UTF-8 bookmark text as Shift_JIS: two- and three-byte sequences become
// their Shift_JIS character ('?' when none), ASCII passes, any other byte
// with the high bit set becomes '?'.
std::string decode_bookmark_utf8(std::string_view utf8);

struct ImportResult {
  bool imported = false;     // false: not a bookmark file (nothing was created)
  std::string group_folder;  // the new import group's folder
  std::string group_label;   // its label
  int links = 0;             // items created
  int too_long = 0;          // items moved to "!アイテム名が長い"
  bool entry_limit = false;  // a link folder held more than kMaxLinkFolderEntries entries
};

// A link folder import looks at no more entries than this (files and
// folders together, at every depth), so a folder tree without end (a mount
// that contains itself) cannot fill the data folder.
inline constexpr int kMaxLinkFolderEntries = 100000;
// The most bytes read of one link file (they hold a few lines).
inline constexpr std::size_t kMaxLinkFileBytes = 65535;

// Imports a bookmark file's bytes into a new group "インポートされたブックマーク"
// in the data folder.
ImportResult import_bookmarks(std::string_view bytes, std::string_view data_folder,
                              const StatusFn& status = {});

// Imports a folder of link files into a new group named `group_name` (for
// the desktop, "IEのお気に入り"): sub-folders become groups, "*.url" files
// (section InternetShortcut, key URL) and "*.desktop" files (Type=Link, URL)
// become items named by the file name without its extension.
ImportResult import_link_folder(std::string_view folder, std::string_view data_folder,
                                std::string_view group_name, const StatusFn& status = {});

// The message shown after an import that had too-long names.
const std::string& too_long_names_message();

// Adds the folders of a new import group (a child folder of the data folder)
// to the tree below the root, then counts the items and saves the order (or
// sorts when sorting automatically). Returns the new group's node.
store::NodeId merge_imported_group(store::TreeContext& ctx, const ImportResult& result);

// A dropped link's name without a trailing ".url" or ".website" (any case).
std::string dropped_link_name(std::string_view name);

// Adds an item for a dropped link next to the selection, named as the tree
// names new items. kNoNode when nothing was made.
store::NodeId add_dropped_link(store::TreeContext& ctx, store::NodeId selected,
                               std::string_view url, std::string_view name);

}  // namespace ks::present
