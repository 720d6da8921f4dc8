#include "present/link_file.h"

#include "platform/fs.h"
#include "platform/profile.h"
#include "platform/sjis.h"
#include "store/names.h"

namespace ks::present {
namespace {

std::string one_line(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != '\r' && c != '\n' && c != '\0') out.push_back(c);
  }
  return out;
}

}  // namespace

bool is_link_file_name(std::string_view file_name) {
  return store::has_extension(file_name, ".url") || store::has_extension(file_name, ".desktop");
}

std::optional<DroppedLink> read_link_file(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  const std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const bool shortcut = store::has_extension(file, ".url");
  const bool desktop = store::has_extension(file, ".desktop");
  if (!shortcut && !desktop) return std::nullopt;
  const auto size = file_size(path);
  if (!size || *size > static_cast<int64_t>(kMaxDroppedLinkFileBytes)) return std::nullopt;
  const auto bytes = read_file(path);
  if (!bytes) return std::nullopt;
  const Profile p = Profile::parse(*bytes);
  DroppedLink link;
  if (shortcut) {
    link.name = std::string(file.substr(0, file.size() - 4));
    link.url = one_line(p.get_string("InternetShortcut", "URL", ""));
  } else {
    if (!profile_name_equal(p.get_string("Desktop Entry", "Type", ""), "Link")) return std::nullopt;
    link.name = std::string(file.substr(0, file.size() - 8));
    link.url = one_line(utf8_to_sjis(p.get_string("Desktop Entry", "URL", "")));
  }
  return link;
}

}  // namespace ks::present
