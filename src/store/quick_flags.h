// Quick readers of the few values the tree shows, read key by key with the
// private-profile functions while the tree is built and by the check run.
// Each takes a node's folder path; a missing file gives zeros (or empty
// text). When the .db file is missing but the older .ini name exists
// (site.ini, group.ini, result.ini), the .ini file is read and then renamed
// to the .db name, once and for all. Any thread, one folder at a time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ks::store {

struct ItemFlags {
  int32_t disable_auto_check = 0;
  int32_t site_priority = 0;
};

// DISABLE_AUTO_CHECK of a group's group.db.
int32_t read_group_flags(std::string_view group_folder);
// DISABLE_AUTO_CHECK and SITE_PRIORITY of an item's (or template's) site.db.
ItemFlags read_item_flags(std::string_view item_folder);
// CODE in section RESULT of result.db (0 when there is none).
int32_t read_last_result_code(std::string_view item_folder);
// DISABLE_AUTO_CHECK of a group (group.db) or an item (site.db).
int32_t read_disable_auto_check(std::string_view folder, bool is_group);
std::string read_item_url(std::string_view item_folder);
std::string read_item_browse_url(std::string_view item_folder);

// The path of `db_name` in the folder after the legacy migration: when it is
// missing and `ini_name` exists, the latter is renamed to it.
std::string settings_file(std::string_view folder, std::string_view db_name,
                          std::string_view ini_name);

}  // namespace ks::store
