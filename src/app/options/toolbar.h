// toolbar.db: the user's toolbar, one button name per line (SPACER for a
// gap), at most the first 100 lines read. Unknown names are skipped; a
// missing file or one that yields no button gives the default set. The
// system never writes the file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ks::app_options {

inline constexpr std::size_t kMaxToolbarLines = 100;

// Every name a toolbar line may hold.
const std::vector<std::string_view>& toolbar_button_names();
const std::vector<std::string_view>& default_toolbar();

std::vector<std::string> parse_toolbar(std::string_view bytes);
std::vector<std::string> load_toolbar(std::string_view app_folder);

}  // namespace ks::app_options
