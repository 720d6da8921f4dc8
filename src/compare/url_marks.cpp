#include "compare/url_marks.h"

#include <string_view>

namespace ks::compare {
namespace {

void mark(char* line, std::size_t length, std::string_view tag, char open) {
  std::string_view s(line, length);
  std::size_t pos = 0;
  for (;;) {
    const std::size_t t = s.find(tag, pos);
    if (t == std::string_view::npos) return;
    const std::size_t q = t + tag.size();
    if (q >= s.size()) return;
    if (s[q] != '"') {
      pos = t + 1;
      continue;
    }
    line[q] = open;
    const std::size_t close = s.find("\">", q + 1);
    // Without a closing quote before ">" the rest of the line stays one span.
    if (close == std::string_view::npos) return;
    line[close] = kSpanClose;
    pos = close + 1;
  }
}

}  // namespace

void mark_image_urls(char* line, std::size_t length) {
  mark(line, length, "<img src=", kImageOpen);
}

void mark_link_urls(char* line, std::size_t length) {
  mark(line, length, "<a href=", kLinkOpen);
}

void mark_urls(std::string& line, bool images, bool links) {
  if (images) mark_image_urls(line.data(), line.size());
  if (links) mark_link_urls(line.data(), line.size());
}

void restore_quotes(char* line, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (line[i] == kLinkOpen || line[i] == kImageOpen || line[i] == kSpanClose) line[i] = '"';
  }
}

}  // namespace ks::compare
