// How result lines are drawn: the style shared by log display and the
// past-log search's hit lines.
#include "present/display.h"

#include "present/line_display.h"

namespace ks::present {

LineStyle result_line_style(const store::PageSettings& item, const app_options::Options& o,
                            bool whole_page) {
  LineStyle style;
  style.show_html_tag = whole_page && o.show_html_tag;
  style.disp_image_name = o.disp_image_name != 0;
  style.image_link = o.image_link != 0;
  style.as_text = item.as_text != 0;
  style.base_url = item.url;
  style.origin = {item.node_id, item.browser_number, false};
  return style;
}

void write_result_line(Pane& pane, std::string_view line, const store::PageSettings& item,
                       bool whole_page, const DisplayEnv& env) {
  write_display_line(pane, line, result_line_style(item, *env.options, whole_page));
}

}  // namespace ks::present
