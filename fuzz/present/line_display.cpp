// Converted lines of any bytes through the line display rule into a pane:
// the first byte picks the style, the rest is the line. Every link must lie
// inside the pane's text and every attribute byte must belong to a text byte.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "present/buffered_pane.h"
#include "present/line_display.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t flags = data[0];
  const std::string_view line(reinterpret_cast<const char*>(data + 1), size - 1);
  ks::present::LineStyle style;
  style.as_text = flags & 1;
  style.show_html_tag = flags & 2;
  style.disp_image_name = flags & 4;
  style.image_link = flags & 8;
  style.base_url = "http://example.org/dir/page.html";
  ks::present::BufferedPane pane;
  pane.begin();
  ks::present::write_display_line(pane, line, style);
  pane.end();
  if (pane.attributes().size() != pane.text().size()) std::abort();
  for (const ks::present::PaneLink& link : pane.links()) {
    if (link.length == 0 || link.start + link.length > pane.text().size()) std::abort();
  }
  return 0;
}
