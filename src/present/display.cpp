// Result lines written one at a time (the past-log search's hit lines).
#include "present/display.h"

#include "present/line_display.h"

namespace ks::present {

void write_result_line(Pane& pane, std::string_view line, const store::PageSettings& item,
                       bool whole_page, const DisplayEnv& env) {
  const app_options::Options& o = *env.options;
  LineStyle style;
  style.show_html_tag = whole_page && o.show_html_tag;
  style.disp_image_name = o.disp_image_name != 0;
  style.image_link = o.image_link != 0;
  style.as_text = item.as_text != 0;
  style.base_url = item.url;
  style.origin = {item.node_id, item.browser_number, false};
  write_display_line(pane, line, style);
}

}  // namespace ks::present
