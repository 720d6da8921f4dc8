// Text placed into the HTML pages we write (report, history, bookmark file).
#pragma once

#include <string>
#include <string_view>

namespace ks::present {

// '&', '<' and '>' as character references; every other byte unchanged, so
// Shift_JIS and UTF-8 text pass through whole.
std::string escape_html_text(std::string_view s);

}  // namespace ks::present
