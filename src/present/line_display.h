// One converted text line on a pane: the anchors and images of the line
// markup become links and "[画像...]" texts, character references are
// resolved, other markup is shown as it stands. Pages kept as text are shown
// as they read, with links only for the quoted value after `a href=` and
// `img src=`. Pure composition over the Pane; any thread that owns the pane.
#pragma once

#include <string_view>

#include "present/pane.h"

namespace ks::present {

struct LineStyle {
  bool show_html_tag = false;    // whole-page view: markup as it stands, text decoded
  bool disp_image_name = false;  // an image without alt text shows its file name
  bool image_link = false;       // an image outside a link links to its source
  bool as_text = false;          // the page is kept as text
  std::string_view base_url;     // for relative links of a page kept as text
  LinkOrigin origin;             // the item the links belong to
};

// Writes the line (without its line break) and a line break.
void write_display_line(Pane& pane, std::string_view line, const LineStyle& style);

}  // namespace ks::present
