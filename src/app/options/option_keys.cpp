#include "app/options/option_keys.h"

#include <limits>

#include "platform/profile.h"

namespace ks::app_options {
namespace {

constexpr int32_t kColorMax = 0xFFFFFF;

#define KS_OPT_INT(sec, key, field, lo, hi, rule, as, wo)        \
  OptionKey {                                                    \
    sec, key, OptionType::kInt, 0, lo, hi, rule, as, wo,         \
        [](Options& o) -> int32_t* { return &o.field; }, nullptr \
  }
#define KS_OPT_STR(sec, key, field, type, cap)              \
  OptionKey {                                               \
    sec, key, type, cap, 0, 0, false, 0, false, nullptr,    \
        [](Options& o) -> std::string* { return &o.field; } \
  }
#define KS_FLAG(key, field) KS_OPT_INT("CONFIG", key, field, 0, 1, false, 0, false)
#define KS_RANGE(key, field, lo, hi) KS_OPT_INT("CONFIG", key, field, lo, hi, false, 0, false)
#define KS_READ_AS(key, field, lo, hi, as) KS_OPT_INT("CONFIG", key, field, lo, hi, true, as, false)
#define KS_TEXT(key, field, cap) KS_OPT_STR("CONFIG", key, field, OptionType::kString, cap)
#define KS_MULTI(key, field, cap) KS_OPT_STR("CONFIG", key, field, OptionType::kMultiLine, cap)
#define KS_COLOR(sec, key, field) KS_OPT_INT(sec, key, field, 0, kColorMax, false, 0, false)

void add_font(std::vector<OptionKey>& t, const char* sec, FontRecord Options::*rec) {
  // One row per key of a font record; the accessor reaches the record
  // through a table of the two records, since a lambda here cannot capture.
  const bool tree = rec == &Options::tree_font;
  auto row = [&](const char* key, int32_t lo, int32_t hi, int32_t* (*f)(Options&)) {
    t.push_back(OptionKey{sec, key, OptionType::kInt, 0, lo, hi, false, 0, false, f, nullptr});
  };
  if (tree) {
    t.push_back(
        KS_OPT_STR(sec, "FACENAME", tree_font.face_name, OptionType::kString, kFaceNameCapacity));
    row("POINT", 1, 999, [](Options& o) { return &o.tree_font.point; });
    row("BOLD", 0, 1000, [](Options& o) { return &o.tree_font.bold; });
    row("ITALIC", 0, 255, [](Options& o) { return &o.tree_font.italic; });
    row("UNDERLINE", 0, 255, [](Options& o) { return &o.tree_font.underline; });
    row("STRIKEOUT", 0, 255, [](Options& o) { return &o.tree_font.strikeout; });
    row("CHARSET", 0, 255, [](Options& o) { return &o.tree_font.charset; });
    row("COLOR", 0, kColorMax, [](Options& o) { return &o.tree_font.color; });
    row("BACKCOLOR", 0, kColorMax, [](Options& o) { return &o.tree_font.back_color; });
  } else {
    t.push_back(
        KS_OPT_STR(sec, "FACENAME", font.face_name, OptionType::kString, kFaceNameCapacity));
    row("POINT", 1, 999, [](Options& o) { return &o.font.point; });
    row("BOLD", 0, 1000, [](Options& o) { return &o.font.bold; });
    row("ITALIC", 0, 255, [](Options& o) { return &o.font.italic; });
    row("UNDERLINE", 0, 255, [](Options& o) { return &o.font.underline; });
    row("STRIKEOUT", 0, 255, [](Options& o) { return &o.font.strikeout; });
    row("CHARSET", 0, 255, [](Options& o) { return &o.font.charset; });
    row("COLOR", 0, kColorMax, [](Options& o) { return &o.font.color; });
    row("BACKCOLOR", 0, kColorMax, [](Options& o) { return &o.font.back_color; });
  }
}

// CUSTCOLOR0..15 of a section; only FONT's are read back.
void add_custom_colors(std::vector<OptionKey>& t, const char* sec, bool write_only) {
  static const char* const kNames[kCustomColorCount] = {
      "CUSTCOLOR0",  "CUSTCOLOR1",  "CUSTCOLOR2",  "CUSTCOLOR3", "CUSTCOLOR4",  "CUSTCOLOR5",
      "CUSTCOLOR6",  "CUSTCOLOR7",  "CUSTCOLOR8",  "CUSTCOLOR9", "CUSTCOLOR10", "CUSTCOLOR11",
      "CUSTCOLOR12", "CUSTCOLOR13", "CUSTCOLOR14", "CUSTCOLOR15"};
  static int32_t* (*const kFields[kCustomColorCount])(Options&) = {[](Options& o) { return &o.custom_colors[0]; },
                                                                   [](Options& o) { return &o.custom_colors[1]; },
                                                                   [](Options& o) { return &o.custom_colors[2]; },
                                                                   [](Options& o) { return &o.custom_colors[3]; },
                                                                   [](Options& o) { return &o.custom_colors[4]; },
                                                                   [](Options& o) { return &o.custom_colors[5]; },
                                                                   [](Options& o) { return &o.custom_colors[6]; },
                                                                   [](Options& o) { return &o.custom_colors[7]; },
                                                                   [](Options& o) { return &o.custom_colors[8]; },
                                                                   [](Options& o) { return &o.custom_colors[9]; },
                                                                   [](Options& o) { return &o.custom_colors[10]; },
                                                                   [](Options& o) { return &o.custom_colors[11]; },
                                                                   [](Options& o) { return &o.custom_colors[12]; },
                                                                   [](Options& o) { return &o.custom_colors[13]; },
                                                                   [](Options& o) { return &o.custom_colors[14]; },
                                                                   [](Options& o) { return &o.custom_colors[15]; }};
  for (int i = 0; i < kCustomColorCount; ++i) {
    t.push_back(OptionKey{sec, kNames[i], OptionType::kInt, 0, 0, kColorMax, false, 0, write_only,
                          kFields[i], nullptr});
  }
}

void add_highlights(std::vector<OptionKey>& t) {
  static const char* const kNames[kHighlightCount] = {
      "HIGHLIGHT0",  "HIGHLIGHT1",  "HIGHLIGHT2",  "HIGHLIGHT3",  "HIGHLIGHT4",
      "HIGHLIGHT5",  "HIGHLIGHT6",  "HIGHLIGHT7",  "HIGHLIGHT8",  "HIGHLIGHT9",
      "HIGHLIGHT10", "HIGHLIGHT11", "HIGHLIGHT12", "HIGHLIGHT13", "HIGHLIGHT14",
      "HIGHLIGHT15", "HIGHLIGHT16", "HIGHLIGHT17", "HIGHLIGHT18", "HIGHLIGHT19"};
  static std::string* (*const kFields[kHighlightCount])(Options&) = {
      [](Options& o) { return &o.highlights[0]; },  [](Options& o) { return &o.highlights[1]; },
      [](Options& o) { return &o.highlights[2]; },  [](Options& o) { return &o.highlights[3]; },
      [](Options& o) { return &o.highlights[4]; },  [](Options& o) { return &o.highlights[5]; },
      [](Options& o) { return &o.highlights[6]; },  [](Options& o) { return &o.highlights[7]; },
      [](Options& o) { return &o.highlights[8]; },  [](Options& o) { return &o.highlights[9]; },
      [](Options& o) { return &o.highlights[10]; }, [](Options& o) { return &o.highlights[11]; },
      [](Options& o) { return &o.highlights[12]; }, [](Options& o) { return &o.highlights[13]; },
      [](Options& o) { return &o.highlights[14]; }, [](Options& o) { return &o.highlights[15]; },
      [](Options& o) { return &o.highlights[16]; }, [](Options& o) { return &o.highlights[17]; },
      [](Options& o) { return &o.highlights[18]; }, [](Options& o) { return &o.highlights[19]; }};
  for (int i = 0; i < kHighlightCount; ++i) {
    t.push_back(OptionKey{"CONFIG", kNames[i], OptionType::kString, kHighlightCapacity, 0, 0, false,
                          0, false, nullptr, kFields[i]});
  }
}

std::vector<OptionKey> make_table() {
  std::vector<OptionKey> t;
  add_font(t, "FONT", &Options::font);
  for (const OptionKey& k : {
           KS_COLOR("FONT", "LINKCOLOR", link_color),
           KS_COLOR("FONT", "LINKOPENEDCOLOR", link_opened_color),
           KS_OPT_INT("FONT", "USE_LINK_UNDERLINE", use_link_underline, 0, 1, false, 0, false),
           KS_COLOR("FONT", "HIGHLIGHTCOLOR", highlight_color),
           KS_COLOR("FONT", "HIGHLIGHTCOLOR1", highlight_color1),
           KS_OPT_INT("FONT", "USE_MIDASHI_COLOR", use_midashi_color, 0, 1, false, 0, false),
           KS_OPT_INT("FONT", "USE_MIDASHI_COLOR1", use_midashi_color1, 0, 1, false, 0, false),
           KS_COLOR("FONT", "MIDASHI_BACKCOLOR", midashi_back_color[0]),
           KS_COLOR("FONT", "MIDASHI_BACKCOLOR1", midashi_back_color[1]),
           KS_COLOR("FONT", "MIDASHI_BACKCOLOR2", midashi_back_color[2]),
           KS_COLOR("FONT", "MIDASHI_COLOR", midashi_color[0]),
           KS_COLOR("FONT", "MIDASHI_COLOR1", midashi_color[1]),
           KS_COLOR("FONT", "MIDASHI_COLOR2", midashi_color[2]),
           KS_COLOR("FONT", "MIDASHI_LINKCOLOR", midashi_link_color[0]),
           KS_COLOR("FONT", "MIDASHI_LINKCOLOR1", midashi_link_color[1]),
           KS_COLOR("FONT", "MIDASHI_LINKCOLOR2", midashi_link_color[2]),
       }) {
    t.push_back(k);
  }
  add_custom_colors(t, "FONT", false);
  t.push_back(KS_OPT_INT("FONT", "LINE_HEIGHT", line_height, 100, 200, false, 0, false));

  for (const OptionKey& k : {
           KS_TEXT("PROXY_URL", proxy_url, kProxyUrlCapacity),
           KS_RANGE("PROXY_PORT", proxy_port, 0, 65535),
           KS_FLAG("USE_PROXY", use_proxy),
           KS_FLAG("USE_HEAD", use_head),
           KS_FLAG("DISABLE_HTTP_REDIRECT", disable_http_redirect),
           KS_RANGE("RETRY", retry, 0, 9),
           KS_RANGE("TIMEOUT", timeout, 5, 99),
           KS_READ_AS("MAX_CONNECTION", max_connection, 1, 32, 4),
           KS_READ_AS("TX_INTERVAL", tx_interval, 0, 10000, 0),
           KS_READ_AS("N_RELOAD", n_reload, 1, 24, 3),
           KS_FLAG("NOCHANGE_MSG", nochange_msg),
           KS_READ_AS("MAX_DISP_LINE", max_disp_line, 1, 2000, 100),
           KS_FLAG("DISP_IMAGE_NAME", disp_image_name),
           KS_FLAG("IMAGE_LINK", image_link),
           KS_FLAG("SAVE_RESULT_FILE", save_result_file),
           KS_FLAG("USE_BROWSER", use_browser),
           KS_TEXT("BROWSER", browser, kOptionPathCapacity),
           KS_FLAG("STAY_FOCUS", stay_focus),
           KS_RANGE("STAY_FOCUS_TIME", stay_focus_time, 1, 9),
           KS_FLAG("STARTUP_CHECK", startup_check),
           KS_FLAG("FINISH_MESSAGE", finish_message),
           KS_FLAG("ALWAYS_FINISH_MESSAGE", always_finish_message),
           KS_FLAG("SAVE_HISTORY", save_history),
           KS_FLAG("USE_HIGHLIGHT", use_highlight),
       }) {
    t.push_back(k);
  }
  add_highlights(t);
  for (const OptionKey& k : {
           KS_FLAG("USE_NOTIFY_SOUND", use_notify_sound),
           KS_TEXT("NOTIFY_SOUND", notify_sound, kOptionPathCapacity),
           KS_MULTI("HEADER", headers[0], kHeaderCapacity),
           KS_MULTI("HEADER1", headers[1], kHeaderCapacity),
           KS_MULTI("HEADER2", headers[2], kHeaderCapacity),
           KS_FLAG("AUTO_OPEN_BROWSER_VIEW", auto_open_browser_view),
           KS_FLAG("AUTO_CLOSE", auto_close),
           KS_FLAG("FORCE_CLOSE", force_close),
           KS_FLAG("START_MINIMIZED", start_minimized),
           KS_FLAG("SHOW_ON_CHANGE", show_on_change),
           KS_FLAG("AUTO_TREE_SORT", auto_tree_sort),
           KS_FLAG("TREEVIEW_USE_CUSTOM_FONT", treeview_use_custom_font),
           KS_FLAG("TREEVIEW_USE_CUSTOM_COLOR", treeview_use_custom_color),
           KS_FLAG("TREEVIEW_DISP_ITEM_COUNT", treeview_disp_item_count),
       }) {
    t.push_back(k);
  }
  // The tree's font record and its custom colours are written here, between
  // TREEVIEW_DISP_ITEM_COUNT and USE_SITE_PRIORITY.
  add_font(t, "TREEFONT", &Options::tree_font);
  add_custom_colors(t, "TREEFONT", true);
  for (const OptionKey& k : {
           KS_FLAG("USE_SITE_PRIORITY", use_site_priority),
           KS_FLAG("DISABLE_STARTUP_WINDOW", disable_startup_window),
           KS_FLAG("DISP_NOCHANGE_TIME", disp_nochange_time),
           KS_RANGE("NOCHANGE_DAYS", nochange_days, 0, 999),
           KS_FLAG("JUMP_TO_MSG", jump_to_msg),
           KS_FLAG("SHOW_HTML_TAG", show_html_tag),
           KS_FLAG("DISP_HTTP_REDIRECT", disp_http_redirect),
           KS_FLAG("USE_VIEWER", use_viewer),
           KS_FLAG("DISP_CHECK_DATE", disp_check_date),
           KS_FLAG("DISP_FULL_PATH", disp_full_path),
           KS_FLAG("STAY_TASK_TRAY", stay_task_tray),
           KS_FLAG("USE_HTML_MOVE_BUTTON", use_html_move_button),
           KS_FLAG("USE_HTML_LINK_OPEN_NEW", use_html_link_open_new),
           KS_FLAG("USE_CUSTOM_HTML", use_custom_html),
           KS_MULTI("CUSTOM_HTML_HEAD", custom_html_head, kCustomHtmlCapacity),
           KS_MULTI("CUSTOM_HTML_BODY_TOP", custom_html_body_top, kCustomHtmlCapacity),
           KS_MULTI("CUSTOM_HTML_BODY_BOTTOM", custom_html_body_bottom, kCustomHtmlCapacity),
           KS_FLAG("USE_CUSTOM_DATA_FOLDER", use_custom_data_folder),
           KS_TEXT("CUSTOM_DATA_FOLDER", custom_data_folder, kOptionPathCapacity),
       }) {
    t.push_back(k);
  }
  return t;
}

}  // namespace

const std::vector<OptionKey>& option_keys() {
  static const std::vector<OptionKey> table = make_table();
  return table;
}

const OptionKey* find_option_key(std::string_view section, std::string_view name) {
  for (const OptionKey& k : option_keys()) {
    if (k.write_only) continue;
    if ((section.empty() || section == k.section) && name == k.name) return &k;
  }
  return nullptr;
}

std::string multiline_to_file(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c == '\r') c = '\x01';
    if (c == '\n') c = '\x02';
  }
  return out;
}

std::string multiline_from_file(std::string_view stored) {
  std::string out(stored);
  for (char& c : out) {
    if (c == '\x01') c = '\r';
    if (c == '\x02') c = '\n';
  }
  return out;
}

namespace {
bool parse_int(std::string_view s, int32_t& out) {
  if (s.empty()) return false;
  std::size_t i = 0;
  bool neg = false;
  if (s[0] == '-' || s[0] == '+') {
    neg = s[0] == '-';
    i = 1;
  }
  // 0x-prefixed hexadecimal is accepted for colours.
  int base = 10;
  if (s.size() > i + 2 && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= s.size()) return false;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    int d = -1;
    char c = s[i];
    if (c >= '0' && c <= '9') d = c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    if (d < 0) return false;
    v = v * base + d;
    if (v > int64_t{1} << 32) return false;
  }
  if (neg) v = -v;
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
    return false;
  }
  out = static_cast<int32_t>(v);
  return true;
}
}  // namespace

SetStatus set_option_text(const OptionKey& key, Options& o, std::string_view text) {
  if (key.type == OptionType::kInt) {
    int32_t v = 0;
    if (!parse_int(text, v)) return SetStatus::kNotANumber;
    if (v < key.min || v > key.max) return SetStatus::kOutOfRange;
    key.int_of(o) = v;
    return SetStatus::kOk;
  }
  if (text.size() > key.capacity - 1) return SetStatus::kTooLong;
  const bool multi_line = key.type == OptionType::kMultiLine;
  if (multi_line ? text.find('\0') != std::string_view::npos : has_line_break(text)) {
    return SetStatus::kLineBreak;
  }
  key.str_of(o).assign(text);
  return SetStatus::kOk;
}

std::string option_text(const OptionKey& key, const Options& o) {
  if (key.type == OptionType::kInt) return std::to_string(key.int_of(o));
  return key.str_of(o);
}

}  // namespace ks::app_options
