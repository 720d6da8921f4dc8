#include "present/report.h"

#include <cstdio>

#include "check/item_walk.h"
#include "compare/log_files.h"
#include "compare/result_record.h"
#include "convert/entities.h"
#include "platform/ascii.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "present/html_text.h"

namespace ks::present {
namespace {

std::tm local_time(std::time_t when) {
  if (when == 0) when = std::time(nullptr);
  std::tm t{};
  localtime_r(&when, &t);
  return t;
}

std::string attribute(std::string_view s) {
  std::string out;
  for (char c : s) out += c == '"' ? std::string("&quot;") : std::string(1, c);
  return out;
}

bool starts_no_case(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char a = s[i];
    char b = prefix[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

// The log without a leading "Last-Modified:" line.
std::string_view report_text(std::string_view log) {
  if (!starts_no_case(log, "Last-Modified:")) return log;
  std::size_t end = log.find_first_of("\r\n");
  if (end == std::string_view::npos) return {};
  if (log[end] == '\r' && end + 1 < log.size() && log[end + 1] == '\n') ++end;
  return log.substr(end + 1);
}

// The end of the tag that starts at `lt` (the byte after its '>'); quoted
// values may hold '>'.
std::size_t tag_end(std::string_view s, std::size_t lt) {
  char quote = 0;
  for (std::size_t i = lt + 1; i < s.size(); ++i) {
    if (quote) {
      if (s[i] == quote) quote = 0;
    } else if (s[i] == '"') {
      quote = '"';
    } else if (s[i] == '>') {
      return i + 1;
    }
  }
  return s.size();
}

bool is_anchor_tag(std::string_view tag) {
  // tag is "<a ...>" or "<a>"
  return tag.size() >= 3 && (tag[1] == 'a' || tag[1] == 'A') &&
         (tag[2] == ' ' || tag[2] == '>' || tag[2] == '\t');
}

// A tag of a log line taken apart: its name and its attributes in order.
struct LogTag {
  std::string name;                                             // lower case; "/a" for an end tag
  std::vector<std::pair<std::string, std::string>> attributes;  // name in lower case, value
};

LogTag parse_log_tag(std::string_view tag) {
  LogTag t;
  std::size_t i = 1;
  auto at_end = [&] { return i >= tag.size() || tag[i] == '>'; };
  auto blank = [&] { return tag[i] == ' ' || tag[i] == '\t' || tag[i] == '\r' || tag[i] == '\n'; };
  auto word = [&](bool stop_at_equals) {
    std::string w;
    while (!at_end() && !blank() && !(stop_at_equals && tag[i] == '=')) {
      const char c = tag[i++];
      w += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return w;
  };
  t.name = word(false);
  while (!at_end()) {
    if (blank() || tag[i] == '/') {
      ++i;
      continue;
    }
    std::string name = word(true);
    std::string value;
    if (i < tag.size() && tag[i] == '=') {
      ++i;
      if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
        const char quote = tag[i++];
        const std::size_t close = std::min(tag.find(quote, i), tag.size());
        value = std::string(tag.substr(i, close - i));
        i = close < tag.size() ? close + 1 : close;
      } else {
        while (!at_end() && !blank()) value += tag[i++];
      }
    }
    if (!name.empty()) t.attributes.emplace_back(std::move(name), std::move(value));
  }
  return t;
}

// Tags that only format text; they pass without their attributes.
bool is_formatting_tag(std::string_view name) {
  static constexpr std::string_view kNames[] = {
      "b",    "i",    "u",      "s",    "em",   "strong", "small", "big",  "sub", "sup",
      "abbr", "code", "tt",     "kbd",  "var",  "samp",   "q",     "cite", "dfn", "mark",
      "ins",  "del",  "strike", "span", "font", "br",     "wbr",   "nobr"};
  for (std::string_view n : kNames) {
    if (name == n) return true;
  }
  return false;
}

// A tag of a log as it goes into the report. Logs hold the converter's line
// markup (anchors and images); that is rebuilt from its attributes, with
// link and image URLs only when is_linkable_url allows them (an anchor
// without one still opens and closes, but links nowhere). Tags that only
// format text pass without attributes (no event handler, no style). Any
// other tag (script, iframe, ... from a header line kept as text or a
// page's markup in a raw copy) is written as text, so nothing a page sent
// can run in the report.
std::string report_tag(std::string_view tag, bool open_new) {
  const LogTag t = parse_log_tag(tag);
  if (t.name == "/a") return "</a>";
  const bool end_tag = t.name.starts_with('/');
  if (is_formatting_tag(std::string_view(t.name).substr(end_tag ? 1 : 0))) {
    return "<" + t.name + ">";
  }
  const bool anchor = t.name == "a";
  if (!anchor && t.name != "img") return escape_html_text(tag);
  std::string out = anchor ? (open_new ? "<a target=\"_blank\"" : "<a") : "<img";
  for (const auto& [name, value] : t.attributes) {
    const bool url = (anchor && name == "href") || (!anchor && name == "src");
    if (!url && (anchor || name != "alt")) continue;
    if (url && !is_linkable_url(value)) continue;
    out += " " + name + "=\"" + attribute(value) + "\"";
  }
  return out + ">";
}

// Visible bytes of a log with the span of log bytes each came from.
struct Visible {
  std::string text;
  std::vector<std::pair<std::size_t, std::size_t>> from;  // [first, last] log byte
};

Visible visible_text(std::string_view log) {
  Visible v;
  std::size_t i = 0;
  while (i < log.size()) {
    const char c = log[i];
    if (c == '<') {
      i = tag_end(log, i);
      continue;
    }
    if (c == '&') {
      std::size_t e = i + 1;
      while (e < log.size() && e - i <= 9 && (is_ascii_alnum(log[e]) || log[e] == '#')) {
        ++e;
      }
      if (e < log.size() && log[e] == ';') ++e;
      std::string ref(log.substr(i, e - i));
      convert::decode_references(ref);
      for (char r : ref) {
        v.text += r;
        v.from.emplace_back(i, e - 1);
      }
      i = e;
      continue;
    }
    const std::size_t step = is_sjis_pair(log, i) ? 2 : 1;
    for (std::size_t k = 0; k < step; ++k) {
      v.text += log[i + k];
      v.from.emplace_back(i + k, i + k);
    }
    i += step;
  }
  return v;
}

void heading_line(std::string& out, int section, bool move_buttons) {
  if (section > 0) out += "<hr>\n";
  if (!move_buttons) return;
  char buf[160];
  std::snprintf(buf, sizeof buf, "<p class=\"move_button\" align=\"right\"><a name=\"%d\"></a>",
                section);
  out += buf;
  std::snprintf(buf, sizeof buf, "<a href=\"#%d\">", section + 1);
  out += buf + KS_SJ("▼") + "</a> ";
  if (section > 0) {
    std::snprintf(buf, sizeof buf, "<a href=\"#%d\">", section - 1);
    out += buf + KS_SJ("▲") + "</a>";
  }
  out += "</p>\n";
}

// Hands every item the check walk gives out to `take`, in the walk's order
// (with USE_SITE_PRIORITY the importance passes, high first). The report is
// the walk's only taker: it frees its one slot after each item, so a pass
// change never waits; a wait or an end that moves no pass on ends the loop,
// so a walk that misbehaves cannot keep it spinning.
template <typename Take>
void for_each_report_item(check::ItemWalk& walk, const Take& take) {
  constexpr int kSlot = 0;
  int pass = walk.pass_importance();
  bool waited = false;
  store::PageSettings rec;
  for (;;) {
    const check::NextResult next = walk.next(kSlot, rec);
    if (next == check::NextResult::kItem) {
      walk.set_busy(kSlot, false);
      waited = false;
      take(rec);
      continue;
    }
    if (next == check::NextResult::kWait) {
      if (waited) return;
      waited = true;
      continue;
    }
    // An exhausted pass restarts the walk for the next importance.
    const int now = walk.pass_importance();
    if (!walk.importance_passes() || now < 0 || now == pass) return;
    pass = now;
    waited = false;
  }
}

void show_reading(const ReportEnv& env, std::string_view name) {
  if (!env.status) return;
  // At most 100 bytes, whole characters.
  env.status(KS_SJ("読み込み中 \"") + std::string(name.substr(0, sjis_fit(name, 100))) + "\"...");
}

}  // namespace

std::string html_color(int32_t bgr) {
  const auto v = static_cast<uint32_t>(bgr);
  const uint32_t rgb = ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%06X", rgb);
  return buf;
}

std::string report_head(const app_options::Options& o, ReportMode mode, std::time_t when) {
  const std::tm t = local_time(when);
  char title[96];
  std::snprintf(title, sizeof title, " (%04d/%02d/%02d %02d:%02d.%02d)</title>\n", t.tm_year + 1900,
                t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  std::string out =
      "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n"
      "<!-- saved from url=(0014)about:internet -->\n"
      "<html lang=\"ja\">\n<head>\n"
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\n"
      "<title>" +
      KS_SJ("更新チェック結果") + title;
  if (o.use_custom_html != 0) {
    out += o.custom_html_head;
  } else {
    out +=
        "<meta http-equiv=\"Content-Style-Type\" content=\"text/css\">\n"
        "<style type=\"text/css\">\n<!--\nbody {\n";
    out += " background-color: " + html_color(o.font.back_color) + ";\n";
    out += " color: " + html_color(o.font.color) + ";\n";
    out += " font-size: " + std::to_string(o.font.point) + "pt;\n";
    out += " line-height: " + std::to_string(o.line_height) + "%;\n}\n";
    if (mode == ReportMode::kImages) {
      out +=
          ".thumbnail {\n max-height: 170px;\n"
          " height: expression(this.height > 170 ? 170 : true); /* for IE */\n}\n";
    }
    out += ".highlight1 {background-color: " + html_color(o.highlight_color) + ";}\n";
    out += ".highlight2 {background-color: " + html_color(o.highlight_color1) + ";}\n";
    out +=
        "-->\n</style>\n"
        "<link rel=\"stylesheet\" type=\"text/css\" href=\"default.css\">\n";
  }
  out += "</head>\n<body>\n";
  if (o.use_custom_html != 0) out += o.custom_html_body_top;
  return out;
}

std::string report_tail(const app_options::Options& o) {
  std::string out;
  if (o.use_custom_html != 0) out += o.custom_html_body_bottom;
  return out + "\n</body>\n</html>\n";
}

std::vector<std::string> highlight_words(const app_options::Options& o) {
  std::vector<std::string> words;
  if (o.use_highlight == 0) return words;
  words.assign(o.highlights.begin(), o.highlights.end());
  return words;
}

std::vector<uint8_t> highlight_classes(std::string_view log,
                                       const std::vector<std::string>& words) {
  std::vector<uint8_t> map(log.size(), 0);
  bool any = false;
  for (const auto& w : words) any = any || !w.empty();
  if (!any) return map;
  const Visible v = visible_text(log);
  for (std::size_t k = 0; k < words.size(); ++k) {
    const std::string& w = words[k];
    if (w.empty()) continue;
    const uint8_t cls = k < 10 ? 1 : 2;
    for (std::size_t i = 0; i + w.size() <= v.text.size(); i += is_sjis_pair(v.text, i) ? 2 : 1) {
      if (v.text.compare(i, w.size(), w) != 0) continue;
      const std::size_t first = v.from[i].first;
      const std::size_t last = v.from[i + w.size() - 1].second;
      for (std::size_t b = first; b <= last && b < map.size(); ++b) map[b] = cls;
    }
  }
  return map;
}

void ReportWriter::heading(const store::PageSettings& item, std::string_view name, bool deleted) {
  heading_line(body_, sections_, o_.use_html_move_button != 0);
  const std::string& url = item.browse_url.empty() ? item.url : item.browse_url;
  body_ += is_linkable_url(url) ? "<h2 class=\"site_name\"><a href=\"" + attribute(url) + "\">"
                                : std::string("<h2 class=\"site_name\"><a>");
  if (deleted) body_ += KS_SJ("【削除】");
  body_ += escape_html_text(name) + "</a></h2>\n<p class=\"content\">";
  ++sections_;
}

void ReportWriter::text_content(std::string_view log) {
  const std::vector<uint8_t> classes = highlight_classes(log, highlight_words(o_));
  const bool open_new = o_.use_html_link_open_new != 0;
  int open_class = 0;  // the class of the open span, 0 for none
  auto close_span = [&] {
    if (open_class != 0) body_ += "</span>";
    open_class = 0;
  };
  std::size_t i = 0;
  while (i < log.size()) {
    const char c = log[i];
    if (c == '\r' || c == '\n') {
      close_span();
      body_ += "<br>\n";
      i += (c == '\r' && i + 1 < log.size() && log[i + 1] == '\n') ? 2 : 1;
      continue;
    }
    if (c == '<') {
      close_span();
      const std::size_t end = tag_end(log, i);
      body_ += report_tag(log.substr(i, end - i), open_new);
      i = end;
      continue;
    }
    if (c == '\0') {  // as the converter writes it; browsers show nothing readable
      body_ += '?';
      ++i;
      continue;
    }
    // A span reopens after a tag inside a highlighted word, so the whole word
    // stays marked.
    if (classes[i] != open_class) {
      close_span();
      if (classes[i] > 0) {
        body_ += "<span class=\"highlight" + std::to_string(classes[i]) + "\">";
        open_class = classes[i];
      }
    }
    body_ += c;
    ++i;
  }
  close_span();
  body_ += "</p>";
}

void ReportWriter::image_content(std::string_view log, const store::PageSettings& item,
                                 std::string_view name, bool deleted) {
  const bool open_new = o_.use_html_link_open_new != 0;
  bool started = false;
  std::string anchor;  // the start tag of the link we are inside
  bool anchor_written = false;
  std::size_t i = 0;
  while (i < log.size()) {
    if (log[i] != '<') {
      ++i;
      continue;
    }
    const std::size_t end = tag_end(log, i);
    const std::string_view tag = log.substr(i, end - i);
    i = end;
    if (is_anchor_tag(tag)) {
      anchor = report_tag(tag, open_new);
      anchor_written = false;
    } else if (starts_no_case(tag, "</a")) {
      if (anchor_written) body_ += "</a>\n";
      anchor.clear();
      anchor_written = false;
    } else if (starts_no_case(tag, "<img ") && tag.back() == '>') {
      if (!started) {
        heading(item, name, deleted);
        started = true;
      }
      std::string img = report_tag(tag, false);
      img.pop_back();  // its '>'; the class goes before it
      if (!anchor.empty()) {
        if (!anchor_written) body_ += anchor;
        anchor_written = true;
        body_ += img + " class=\"thumbnail\">";
      } else {
        body_ += img + " class=\"thumbnail\">\n";
      }
    }
  }
  if (started) body_ += "</p>";
}

void ReportWriter::add_log(std::string_view log_path, const store::PageSettings& item,
                           std::string_view display_name, bool deleted) {
  const std::optional<std::string> bytes = read_file(log_path);
  if (!bytes) return;
  const std::string_view text = report_text(*bytes);
  if (text.empty()) return;
  if (mode_ == ReportMode::kImages) {
    image_content(text, item, display_name, deleted);
    return;
  }
  heading(item, display_name, deleted);
  text_content(text);
}

std::string build_report(const store::Tree& tree, store::NodeId selected, ReportMode mode,
                         const ReportEnv& env) {
  const app_options::Options defaults;
  const app_options::Options& o = env.options ? *env.options : defaults;
  ReportWriter w(o, mode);
  auto add_item_log = [&](const store::PageSettings& rec, int n) {
    w.add_log(compare::numbered_log_path(rec.folder_path, "add", n), rec, rec.name, false);
    if (rec.detect_deleted_lines == 1) {
      w.add_log(compare::numbered_log_path(rec.folder_path, "del", n), rec, rec.name, true);
    }
  };
  check::ItemWalk walk(tree, env.base_folder, selected, check::CheckKind::kSelected,
                       o.use_site_priority != 0, env.apply_template);
  const bool single = walk.single_item();
  for_each_report_item(walk, [&](const store::PageSettings& rec) {
    show_reading(env, rec.name);
    if (single) {
      const int current = compare::read_current_log_number(rec.folder_path);
      for (int k = 0; k < o.n_reload && k < 25; ++k) {
        add_item_log(rec, compare::log_number_add(current, -k));
      }
    } else if (compare::read_result_code(rec.folder_path) == compare::kResultChanged) {
      add_item_log(rec, compare::read_current_log_number(rec.folder_path));
    }
  });
  return report_head(o, mode, env.now) + w.body() + report_tail(o);
}

std::optional<std::string> report_file_path(const ReportEnv& env) {
  const bool keep = env.options && env.options->save_result_file != 0;
  if (!keep) return path_join(env.base_folder, "result.html");
  const std::string folder = path_join(env.base_folder, "result");
  if (!make_dirs(folder)) {
    if (env.message) env.message(KS_SJ("フォルダを作成できません"), KS_SJ("Kestrelscanエラー"));
    return std::nullopt;
  }
  const std::tm t = local_time(env.now);
  char name[64];
  std::snprintf(name, sizeof name, "result-%04d%02d%02d-%02d%02d%02d.html", t.tm_year + 1900,
                t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  return path_join(folder, name);
}

std::optional<std::string> write_report(const store::Tree& tree, store::NodeId selected,
                                        ReportMode mode, const ReportEnv& env) {
  const std::optional<std::string> path = report_file_path(env);
  if (!path) return std::nullopt;
  const std::string html = build_report(tree, selected, mode, env);
  if (!write_file_atomic(*path, html)) {
    if (env.message) env.message(KS_SJ("一時ファイルを作成できません"), KS_SJ("Kestrelscanエラー"));
    return std::nullopt;
  }
  return path;
}

bool open_report(std::string_view path, const OpenEnv& env) {
  if (env.options && env.options->use_browser != 0) {
    // The path is absolute and already uses '/', so "file://" and the path
    // make the file URL; the program gets it as one argument.
    return run_program(env.options->browser, "file://" + std::string(path), env);
  }
  return open_with_default_handler(path, env);
}

std::string pane_html_file_name(std::time_t when) {
  const std::tm t = local_time(when);
  char name[64];
  std::snprintf(name, sizeof name, "%04d%02d%02d-%02d%02d%02d.html", t.tm_year + 1900, t.tm_mon + 1,
                t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  return name;
}

namespace {

// Pane text as HTML: a blank after a visible character or "&nbsp;" is a
// space, any other blank "&nbsp;", so runs of blanks stay visible.
class PaneHtml {
 public:
  explicit PaneHtml(std::string& out) : out_(out) {}
  void put(std::string_view s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
      const char c = s[i];
      if (c == ' ' || c == '\t') {
        const bool space = last_ == Last::kVisible || last_ == Last::kNbsp;
        out_ += space ? " " : "&nbsp;";
        last_ = space ? Last::kSpace : Last::kNbsp;
        continue;
      }
      if (c == '\r' || c == '\n') {
        if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
        out_ += "<br>\n";
        last_ = Last::kBreak;
        continue;
      }
      last_ = Last::kVisible;
      if (c == '&') {
        out_ += "&amp;";
      } else if (c == '<') {
        out_ += "&lt;";
      } else if (c == '>') {
        out_ += "&gt;";
      } else {
        out_ += c;
      }
    }
  }

 private:
  enum class Last { kBreak, kVisible, kNbsp, kSpace };
  std::string& out_;
  Last last_ = Last::kBreak;
};

}  // namespace

std::string pane_as_html(const BufferedPane& pane, const app_options::Options& o,
                         std::time_t when) {
  std::string out = report_head(o, ReportMode::kText, when);
  const std::string& text = pane.text();
  const std::size_t base = pane.base_offset();
  PaneHtml html(out);
  std::size_t pos = 0;
  for (const PaneLink& l : pane.links()) {
    if (l.start < base + pos) continue;
    const std::size_t start = l.start - base;
    if (start + l.length > text.size()) break;
    html.put(std::string_view(text).substr(pos, start - pos));
    if (!item_settings_node(l.target)) {
      // A link a page could script is kept as its text only.
      const bool linkable = is_linkable_url(l.target);
      if (linkable) out += "<a href=\"" + attribute(l.target) + "\">";
      html.put(std::string_view(text).substr(start, l.length));
      if (linkable) out += "</a>";
    }
    pos = start + l.length;
  }
  html.put(std::string_view(text).substr(pos));
  return out + report_tail(o);
}

}  // namespace ks::present
