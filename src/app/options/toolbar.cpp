#include "app/options/toolbar.h"

#include <algorithm>

#include "platform/fs.h"

namespace ks::app_options {

const std::vector<std::string_view>& toolbar_button_names() {
  static const std::vector<std::string_view> names = {
      "SPACER",        "CHECK",        "STOP",
      "RELOAD",        "RELOAD_ALL",   "CONFIRM",
      "TOPMOST",       "CONFIG",       "ADD_FOLDER",
      "ADD_PAGE",      "DELETE",       "FIND",
      "FIND_NEXT",     "NEXT_KEYWORD", "NEXT_HEADLINE",
      "PREV_HEADLINE", "BROWSER_VIEW", "BROWSER_VIEW_IMAGE",
      "TASK_MONITOR"};
  return names;
}

const std::vector<std::string_view>& default_toolbar() {
  static const std::vector<std::string_view> names = {
      "CHECK",  "STOP",          "RELOAD",        "RELOAD_ALL", "CONFIRM",
      "SPACER", "TOPMOST",       "CONFIG",        "ADD_FOLDER", "ADD_PAGE",
      "DELETE", "SPACER",        "FIND",          "FIND_NEXT",  "NEXT_KEYWORD",
      "SPACER", "NEXT_HEADLINE", "PREV_HEADLINE", "SPACER",     "TASK_MONITOR"};
  return names;
}

std::vector<std::string> parse_toolbar(std::string_view bytes) {
  std::vector<std::string> out;
  const auto& known = toolbar_button_names();
  std::size_t lines = 0;
  while (!bytes.empty() && lines < kMaxToolbarLines) {
    std::size_t eol = bytes.find('\n');
    std::string_view line = bytes.substr(0, eol);
    bytes.remove_prefix(eol == std::string_view::npos ? bytes.size() : eol + 1);
    ++lines;
    if (std::size_t cr = line.find('\r'); cr != std::string_view::npos) line = line.substr(0, cr);
    if (std::find(known.begin(), known.end(), line) != known.end()) out.emplace_back(line);
  }
  if (out.empty()) out.assign(default_toolbar().begin(), default_toolbar().end());
  return out;
}

std::vector<std::string> load_toolbar(std::string_view app_folder) {
  auto bytes = read_file(path_join(app_folder, "toolbar.db"));
  return parse_toolbar(bytes ? std::string_view(*bytes) : std::string_view());
}

}  // namespace ks::app_options
