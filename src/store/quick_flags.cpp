#include "store/quick_flags.h"

#include "platform/fs.h"
#include "platform/profile.h"
#include "store/page_settings.h"

namespace ks::store {

std::string settings_file(std::string_view folder, std::string_view db_name,
                          std::string_view ini_name) {
  std::string db = path_join(folder, db_name);
  if (!path_exists(db)) {
    std::string ini = path_join(folder, ini_name);
    // Same contents under the old name: renaming is the whole migration.
    if (is_regular_file(ini)) rename_path(ini, db);
  }
  return db;
}

namespace {
std::string site_db(std::string_view folder) {
  return settings_file(folder, "site.db", "site.ini");
}
std::string group_db(std::string_view folder) {
  return settings_file(folder, "group.db", "group.ini");
}
}  // namespace

int32_t read_group_flags(std::string_view group_folder) {
  return profile_read_int(group_db(group_folder), "CONFIG", "DISABLE_AUTO_CHECK", 0);
}

ItemFlags read_item_flags(std::string_view item_folder) {
  // One load for both keys; the file is small and read as the profile calls do.
  Profile p = Profile::load(site_db(item_folder));
  ItemFlags f;
  f.disable_auto_check = p.get_int("CONFIG", "DISABLE_AUTO_CHECK", 0);
  f.site_priority = p.get_int("CONFIG", "SITE_PRIORITY", 0);
  return f;
}

int32_t read_last_result_code(std::string_view item_folder) {
  return profile_read_int(settings_file(item_folder, "result.db", "result.ini"), "RESULT", "CODE",
                          0);
}

int32_t read_disable_auto_check(std::string_view folder, bool is_group) {
  return is_group ? read_group_flags(folder)
                  : profile_read_int(site_db(folder), "CONFIG", "DISABLE_AUTO_CHECK", 0);
}

std::string read_item_url(std::string_view item_folder) {
  return profile_read_string(site_db(item_folder), "CONFIG", "URL", "", kUrlCapacity);
}

std::string read_item_browse_url(std::string_view item_folder) {
  return profile_read_string(site_db(item_folder), "CONFIG", "BROWSE_URL", "", kUrlCapacity);
}

}  // namespace ks::store
