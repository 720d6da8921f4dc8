// Text placed into the HTML pages we write (report, history, bookmark file).
#pragma once

#include <string>
#include <string_view>

namespace ks::present {

// '&', '<' and '>' as character references; every other byte unchanged, so
// Shift_JIS and UTF-8 text pass through whole.
std::string escape_html_text(std::string_view s);

// Whether a URL from a page may become a link (href, src) in a page we
// write: http, https, ftp and file URLs, and relative ones. javascript:,
// vbscript:, data: and every other scheme would run or show the page's own
// content in the reader's browser, so they are written as text instead.
// The URL is judged as a browser reads an attribute: character references
// resolved, blanks around it and TABs and line ends inside it ignored.
bool is_linkable_url(std::string_view url);

}  // namespace ks::present
