// What a drop on the main window carries as a new item: a link dragged from
// a browser (its address as plain text or a URI, its title from the
// browser's link data) or an Internet shortcut (".url") or desktop link
// (".desktop") file from a file manager. The name loses a trailing ".url"
// or ".website"; both texts lose control characters (they must never add a
// line to site.db) and are cut to the edit limits (name 260 bytes, URL 2100
// bytes, whole Shift_JIS characters). UI thread (reads the link file).
#pragma once

#include <optional>
#include <string>

class QMimeData;

namespace ks::gui {

struct DroppedItem {
  std::string url;   // Shift_JIS
  std::string name;  // Shift_JIS
};

// nullopt when the data holds neither an address nor a name, or when it is
// a node dragged inside the tree.
std::optional<DroppedItem> dropped_item(const QMimeData* data);

// Whether a drag of this data may end on the window (links, files, text).
bool may_drop_link(const QMimeData* data);

}  // namespace ks::gui
