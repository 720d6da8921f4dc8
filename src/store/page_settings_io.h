// Reading and writing an item's (or template's) site.db and a group's
// group.db. The reader is the fast reader (exact-case keys, range
// corrections on reading); the writer writes every key in table order,
// deleting each string key before writing it so string keys end up at the
// end of the section, and replaces the file atomically, so a crash leaves the
// old or the new file, never a mix. Any thread; two threads must not write
// the same folder at once (the caller serialises edits of one item).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "store/page_settings.h"

namespace ks::store {

inline constexpr std::string_view kSiteDb = "site.db";
inline constexpr std::string_view kGroupDb = "group.db";
inline constexpr std::string_view kConfigSection = "CONFIG";

// Comment form in the file: CR as 0x01, LF as 0x02 (one line).
std::string comment_to_file(std::string_view comment);
std::string comment_from_file(std::string_view stored);

// A record with every key at its default (USE_OLD_LOG 1, context and NG
// area counts 1, everything else zero or empty): a new item's settings.
PageSettings default_page_settings();

// Fills every key field of `rec` from the folder's site.db (a missing file
// or key gives the default); browser_number becomes 0. The other fields
// (node, kind, paths, name) are left as they are. False only when the file
// path would be longer than 260 bytes; `rec` is then unchanged.
bool read_page_settings(std::string_view folder, PageSettings& rec);

// Fills `rec` from bytes in site.db form (used by the reader and by tests).
void parse_page_settings(std::string_view bytes, PageSettings& rec);

// Writes every key of `rec` into the folder's site.db, keeping any other
// sections and keys the file holds. False when the path is too long or the
// file cannot be written (the old file is then unchanged).
[[nodiscard]] bool write_page_settings(std::string_view folder, const PageSettings& rec);

// Writes OPTION_CHANGED=0 (after a check that reached the server).
bool clear_option_changed(std::string_view folder);

// The group flag (DISABLE_AUTO_CHECK of group.db).
int32_t read_group_flag(std::string_view group_folder);
bool write_group_flag(std::string_view group_folder, int32_t value);

// Applies the matching template to a record; returns false when no
// template matches its URL (the record is then unchanged).
using TemplateApplier = std::function<bool(PageSettings&)>;

// The entry the check run and the viewer use: read the record, apply the
// template when USE_TEMPLATE is set (and an applier is given), derive the
// browser number when USE_SPECIFIED_PROGRAM is set.
bool load_item_settings(std::string_view folder, PageSettings& rec,
                        const TemplateApplier& apply_template = {});

}  // namespace ks::store
