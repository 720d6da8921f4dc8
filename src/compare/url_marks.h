// URL span marks. Converted lines carry links and images as <a href="URL">
// and <img src="URL"> tags. With IGNORE_URL / IGNORE_IMAGE_NAME the quotes
// around such a URL are replaced in place (0x01 opens a link, 0x02 an image,
// 0x03 closes either), so that line equality can skip the URL; before lines
// are written out the marks become quotes again.
#pragma once

#include <string>

namespace ks::compare {

inline constexpr char kLinkOpen = '\x01';
inline constexpr char kImageOpen = '\x02';
inline constexpr char kSpanClose = '\x03';

// Both change `line` in place (same length).
void mark_image_urls(char* line, std::size_t length);
void mark_link_urls(char* line, std::size_t length);
void mark_urls(std::string& line, bool images, bool links);
// Every 0x01, 0x02 and 0x03 becomes a quote.
void restore_quotes(char* line, std::size_t length);

}  // namespace ks::compare
