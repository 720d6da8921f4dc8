#include "store/page_settings_io.h"

#include <utility>
#include <vector>

#include "platform/fs.h"
#include "platform/profile.h"
#include "store/browser_numbers.h"
#include "store/fast_reader.h"
#include "store/names.h"
#include "store/quick_flags.h"
#include "store/setting_keys.h"

namespace ks::store {
namespace {

std::optional<std::string> file_in(std::string_view folder, std::string_view name) {
  std::string p = path_join(folder, name);
  if (p.size() > kMaxPathBytes) return std::nullopt;
  return p;
}

}  // namespace

std::string comment_to_file(std::string_view comment) {
  std::string out(comment);
  for (char& c : out) {
    if (c == '\r') c = '\x01';
    if (c == '\n') c = '\x02';
  }
  return out;
}

std::string comment_from_file(std::string_view stored) {
  std::string out(stored);
  for (char& c : out) {
    if (c == '\x01') c = '\r';
    if (c == '\x02') c = '\n';
  }
  return out;
}

PageSettings default_page_settings() {
  PageSettings rec;
  for (const SettingKey& k : page_setting_keys()) {
    if (k.type == KeyType::kInt) {
      k.int_of(rec) = k.default_value;
    } else {
      k.str_of(rec).clear();
    }
  }
  rec.browser_number = 0;
  return rec;
}

void parse_page_settings(std::string_view bytes, PageSettings& rec) {
  FastReader r(bytes);
  for (const SettingKey& k : page_setting_keys()) {
    if (k.type == KeyType::kInt) {
      k.int_of(rec) = k.corrected(r.get_int(kConfigSection, k.name, k.default_value));
    } else {
      k.str_of(rec) = r.get_string(kConfigSection, k.name, k.capacity);
    }
  }
  rec.comment = comment_from_file(rec.comment);
  rec.browser_number = 0;
}

bool read_page_settings(std::string_view folder, PageSettings& rec) {
  if (!file_in(folder, kSiteDb)) return false;
  std::string path = settings_file(folder, kSiteDb, "site.ini");
  auto bytes = read_file(path);
  parse_page_settings(bytes ? std::string_view(*bytes) : std::string_view(), rec);
  return true;
}

bool write_page_settings(std::string_view folder, const PageSettings& rec) {
  auto path = file_in(folder, kSiteDb);
  if (!path) return false;
  Profile p = Profile::load(*path);
  // A file without the section (a new item) gets every key in table order,
  // which is what the steps below give it, in one pass.
  const bool fresh = !p.has_section(kConfigSection);
  std::vector<std::pair<std::string, std::string>> fresh_keys;
  for (const SettingKey& k : page_setting_keys()) {
    std::string value;
    if (k.type == KeyType::kInt) {
      value = std::to_string(k.int_of(rec));
    } else {
      value = k.str_of(rec);
      cut_text(value, k.capacity - 1);
      if (std::string_view(k.name) == "COMMENT") value = comment_to_file(value);
    }
    if (fresh) {
      fresh_keys.emplace_back(k.name, std::move(value));
    } else if (k.type == KeyType::kInt || std::string_view(k.name) == "COMMENT") {
      // Integers and the comment (in its one-line form) are written in place.
      p.set(kConfigSection, k.name, value);
    } else {
      // Delete, then write: the key moves to the end of the section, which
      // is where readers of the format expect string keys.
      p.remove_key(kConfigSection, k.name);
      p.set(kConfigSection, k.name, value);
    }
  }
  if (fresh) p.add_section(kConfigSection, fresh_keys);
  return p.save(*path);
}

bool clear_option_changed(std::string_view folder) {
  auto path = file_in(folder, kSiteDb);
  return path && profile_write_string(*path, kConfigSection, "OPTION_CHANGED", "0");
}

int32_t read_group_flag(std::string_view group_folder) {
  return read_group_flags(group_folder);
}

bool write_group_flag(std::string_view group_folder, int32_t value) {
  auto path = file_in(group_folder, kGroupDb);
  return path &&
         profile_write_string(*path, kConfigSection, "DISABLE_AUTO_CHECK", std::to_string(value));
}

bool load_item_settings(std::string_view folder, PageSettings& rec,
                        const TemplateApplier& apply_template) {
  if (!read_page_settings(folder, rec)) return false;
  if (rec.use_template && apply_template) apply_template(rec);
  if (rec.use_specified_program) {
    rec.browser_number = browser_numbers().number_for(rec.specified_program_path);
  }
  return true;
}

}  // namespace ks::store
