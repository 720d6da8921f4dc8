// Headlines, error lines and notice lines.
#include <ctime>

#include "platform/sjis.h"
#include "present/display.h"

namespace ks::present {
namespace {

int importance(const store::PageSettings& item) {
  return (item.site_priority >= 0 && item.site_priority <= 2) ? item.site_priority : 0;
}

TextKind headline_kind(const app_options::Options& o, int priority) {
  if (!o.use_midashi_color) return TextKind::kNormal;
  if (!o.use_midashi_color1) return TextKind::kHeadline0;
  return static_cast<TextKind>(static_cast<int>(TextKind::kHeadline0) + priority);
}

bool placeholder_at(std::string_view s, std::size_t i, std::string_view name) {
  if (s.size() - i < name.size()) return false;
  for (std::size_t k = 0; k < name.size(); ++k) {
    char c = s[i + k];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != name[k]) return false;
  }
  return true;
}

std::string time_text(std::optional<int64_t> t, bool date) {
  if (!t) return {};
  const std::time_t tt = static_cast<std::time_t>(*t);
  std::tm tm{};
  if (!localtime_r(&tt, &tm)) return {};
  char buf[32];
  if (date) {
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
  } else {
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
  }
  return buf;
}

}  // namespace

void write_item_name_link(Pane& pane, const store::PageSettings& item) {
  const std::string& target = item.browse_url.empty() ? item.url : item.browse_url;
  pane.write_link(item.name, target, {item.node_id, item.browser_number, true});
}

void write_settings_link(Pane& pane, const store::PageSettings& item) {
  pane.write_link(KS_SJ("▽"), item_settings_target(item.node_id), {item.node_id, 0, false});
}

void write_headline(Pane& pane, const store::PageSettings& item, std::optional<int64_t> time,
                    const DisplayEnv& env) {
  const int priority = importance(item);
  pane.set_text_kind(headline_kind(*env.options, priority));
  const std::string_view tpl = env.options->headers[static_cast<std::size_t>(priority)];
  std::size_t literal = 0;  // start of template text not yet written
  std::size_t i = 0;
  auto literal_up_to = [&](std::size_t end) {
    if (end > literal) pane.write_text(tpl.substr(literal, end - literal));
  };
  while (i < tpl.size()) {
    if (is_sjis_pair(tpl, i)) {
      i += 2;
      continue;
    }
    if (tpl[i] != '%') {
      ++i;
      continue;
    }
    std::size_t skip = 0;
    if (placeholder_at(tpl, i, "%link;")) {
      literal_up_to(i);
      write_item_name_link(pane, item);
      skip = 6;
    } else if (placeholder_at(tpl, i, "%date;")) {
      literal_up_to(i);
      pane.write_text(time_text(time, true));
      skip = 6;
    } else if (placeholder_at(tpl, i, "%time;")) {
      literal_up_to(i);
      pane.write_text(time_text(time, false));
      skip = 6;
    } else if (placeholder_at(tpl, i, "%config;")) {
      literal_up_to(i);
      write_settings_link(pane, item);
      skip = 8;
    } else if (placeholder_at(tpl, i, "%comment;")) {
      literal_up_to(i);
      pane.write_text(item.comment);
      skip = 9;
    }
    if (skip == 0) {
      ++i;  // any other '%' is text, and so is what follows it
    } else {
      i += skip;
      literal = i;
    }
  }
  literal_up_to(tpl.size());
  pane.write_text("\n");
  pane.set_text_kind(TextKind::kNormal);
}

void write_error_line(Pane& pane, const store::PageSettings& item, std::string_view message) {
  pane.headlines().add(HeadlineKind::kError, pane.current_line());
  pane.write_text(KS_SJ("■"));
  write_item_name_link(pane, item);
  pane.write_text(KS_SJ(" --- エラー : "));
  pane.write_text(message);
  pane.write_text(" ");
  write_settings_link(pane, item);
  pane.write_text("\n");
}

void write_item_notice(Pane& pane, const store::PageSettings& item, std::string_view text) {
  pane.write_text(KS_SJ("■"));
  write_item_name_link(pane, item);
  pane.write_text(" --- ");
  pane.write_text(text);
  pane.write_text(" ");
  write_settings_link(pane, item);
  pane.write_text("\n");
}

void write_notice_line(Pane& pane, std::string_view text) {
  pane.write_text(text);
  pane.write_text("\n");
}

}  // namespace ks::present
