#include "store/check_interval.h"

#include <string>

#include "app/options/schedule_options.h"
#include "platform/fs.h"
#include "platform/profile.h"
#include "store/fast_reader.h"
#include "store/names.h"
#include "store/page_settings_io.h"

namespace ks::store {
namespace {

std::optional<std::string> file_of(std::string_view folder, bool is_group) {
  std::string p = path_join(folder, is_group ? kGroupDb : kSiteDb);
  if (p.size() > kMaxPathBytes) return std::nullopt;
  return p;
}

}  // namespace

std::optional<int32_t> read_check_interval(std::string_view folder, bool is_group) {
  auto path = file_of(folder, is_group);
  if (!path) return std::nullopt;
  const FastReader r = FastReader::load(*path);
  auto v = r.find(app_options::kScheduleSection, kIntervalKey);
  if (!v) return std::nullopt;
  return app_options::parse_interval(*v);
}

bool write_check_interval(std::string_view folder, bool is_group, std::optional<int32_t> minutes) {
  auto path = file_of(folder, is_group);
  if (!path) return false;
  if (!minutes) {
    Profile p = Profile::load(*path);
    if (!p.get(app_options::kScheduleSection, kIntervalKey)) return true;
    p.remove_key(app_options::kScheduleSection, kIntervalKey);
    // An empty section is left out rather than kept as a bare header.
    if (p.keys(app_options::kScheduleSection).empty()) {
      p.remove_section(app_options::kScheduleSection);
    }
    return p.save(*path);
  }
  return profile_write_string(*path, app_options::kScheduleSection, kIntervalKey,
                              std::to_string(*minutes));
}

}  // namespace ks::store
