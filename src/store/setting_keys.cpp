#include "store/setting_keys.h"

#include "platform/profile.h"

namespace ks::store {

int32_t SettingKey::corrected(int32_t v) const {
  switch (correction) {
    case Correction::kNone:
      return v;
    case Correction::kOutside:
      return v < min || v > max ? read_as : v;
    case Correction::kAboveMax:
      return v > max ? read_as : v;
  }
  return v;
}

namespace {

// Table rows. FLAG: 0/1, taken as stored. CHOICE: 0..max, taken as stored.
// RANGED: read_as for anything outside the range.
#define KS_INT(key, field, def, lo, hi, corr, as)                     \
  SettingKey {                                                        \
    key, KeyType::kInt, 0, def, lo, hi, corr, as,                     \
        [](PageSettings& p) -> int32_t* { return &p.field; }, nullptr \
  }
#define KS_FLAG(key, field) KS_INT(key, field, 0, 0, 1, Correction::kNone, 0)
#define KS_CHOICE(key, field, hi) KS_INT(key, field, 0, 0, hi, Correction::kNone, 0)
#define KS_RANGED(key, field, def, lo, hi) \
  KS_INT(key, field, def, lo, hi, Correction::kOutside, def)
#define KS_STR(key, field, cap)                                         \
  SettingKey {                                                          \
    key, KeyType::kString, cap, 0, 0, 0, Correction::kNone, 0, nullptr, \
        [](PageSettings& p) -> std::string* { return &p.field; }        \
  }
#define KS_WORDS(prefix, array)                                                                 \
  KS_STR(prefix "0", array[0], kWordCapacity), KS_STR(prefix "1", array[1], kWordCapacity),     \
      KS_STR(prefix "2", array[2], kWordCapacity), KS_STR(prefix "3", array[3], kWordCapacity), \
      KS_STR(prefix "4", array[4], kWordCapacity), KS_STR(prefix "5", array[5], kWordCapacity), \
      KS_STR(prefix "6", array[6], kWordCapacity), KS_STR(prefix "7", array[7], kWordCapacity), \
      KS_STR(prefix "8", array[8], kWordCapacity), KS_STR(prefix "9", array[9], kWordCapacity)

std::vector<SettingKey> make_table() {
  return {
      KS_RANGED("USE_OLD_LOG", use_old_log, 1, 0, 24),
      KS_FLAG("IGNORE_NUMBER_DIFF", ignore_number_diff),
      KS_FLAG("IGNORE_NUMBER_ONLY_LINE", ignore_number_only_line),
      KS_FLAG("IGNORE_SPACE_ONLY_LINE", ignore_space_only_line),
      KS_FLAG("IGNORE_NO_JAPANESE_LINE", ignore_no_japanese_line),
      KS_FLAG("IGNORE_SAME_TEXT", ignore_same_text),
      KS_STR("URL", url, kUrlCapacity),
      KS_STR("BROWSE_URL", browse_url, kUrlCapacity),
      KS_FLAG("NOPROXY", noproxy),
      KS_FLAG("DONT_USE_HEAD", dont_use_head),
      KS_FLAG("DISABLE_HTTP_REDIRECT", disable_http_redirect),
      KS_CHOICE("TABLE_SETTING", table_setting, 2),
      KS_CHOICE("CHARSET_SEL", charset_sel, 4),
      KS_FLAG("GET_LINK_ONLY", get_link_only),
      KS_FLAG("CHECK_BY_HTTP_HEADER", check_by_http_header),
      KS_CHOICE("USE_SCRIPT", use_script, 2),
      KS_FLAG("DETECT_DELETED_LINES", detect_deleted_lines),
      KS_FLAG("USE_TEMPLATE", use_template),
      KS_FLAG("USE_SPECIFIED_PROGRAM", use_specified_program),
      KS_STR("SPECIFIED_PROGRAM_PATH", specified_program_path, kPathCapacity),
      KS_FLAG("ENABLE_LEGACY_SERVER_CONNECT", enable_legacy_server_connect),
      KS_WORDS("NGWORD", ng_words),
      KS_FLAG("USE_REGEXP_NGWORD", use_regexp_ngword),
      KS_WORDS("OKWORD", ok_words),
      KS_FLAG("USE_REGEXP_OKWORD", use_regexp_okword),
      KS_FLAG("AUTH_TYPE", auth_type),
      KS_STR("AUTH_ID", auth_id, kAuthIdCapacity),
      KS_STR("AUTH_PASS", auth_pass, kAuthPassCapacity),
      KS_FLAG("DISABLE_AUTO_CHECK", disable_auto_check),
      KS_STR("CHECK_AREA_START_STRING", check_areas[0].start, kWordCapacity),
      KS_STR("CHECK_AREA_END_STRING", check_areas[0].end, kWordCapacity),
      KS_CHOICE("CHECK_AREA_START_TYPE", check_areas[0].start_type, 1),
      KS_CHOICE("CHECK_AREA_END_TYPE", check_areas[0].end_type, 1),
      KS_FLAG("CHECK_AREA_REPEAT", check_areas[0].repeat),
      KS_STR("CHECK_AREA_START_STRING1", check_areas[1].start, kWordCapacity),
      KS_STR("CHECK_AREA_END_STRING1", check_areas[1].end, kWordCapacity),
      KS_CHOICE("CHECK_AREA_START_TYPE1", check_areas[1].start_type, 1),
      KS_CHOICE("CHECK_AREA_END_TYPE1", check_areas[1].end_type, 1),
      KS_FLAG("CHECK_AREA_REPEAT1", check_areas[1].repeat),
      KS_STR("IGNORE_AREA_START_STRING0", ignore_areas[0].start, kWordCapacity),
      KS_STR("IGNORE_AREA_END_STRING0", ignore_areas[0].end, kWordCapacity),
      KS_CHOICE("IGNORE_AREA_START_TYPE0", ignore_areas[0].start_type, 1),
      KS_CHOICE("IGNORE_AREA_END_TYPE0", ignore_areas[0].end_type, 1),
      KS_STR("IGNORE_AREA_START_STRING1", ignore_areas[1].start, kWordCapacity),
      KS_STR("IGNORE_AREA_END_STRING1", ignore_areas[1].end, kWordCapacity),
      KS_CHOICE("IGNORE_AREA_START_TYPE1", ignore_areas[1].start_type, 1),
      KS_CHOICE("IGNORE_AREA_END_TYPE1", ignore_areas[1].end_type, 1),
      KS_FLAG("USE_REGEXP_CHECK_AREA", use_regexp_check_area),
      KS_STR("COMMENT", comment, kCommentCapacity),
      KS_FLAG("IGNORE_URL", ignore_url),
      KS_FLAG("IGNORE_IMAGE_NAME", ignore_image_name),
      KS_INT("AS_TEXT", as_text, 0, 0, 1, Correction::kAboveMax, 1),
      KS_FLAG("IGNORE_NO_TEXT", ignore_no_text),
      KS_FLAG("IGNORE_ONLY_OUTER_SERVER", ignore_only_outer_server),
      KS_FLAG("OPTION_CHANGED", option_changed),
      KS_CHOICE("SITE_PRIORITY", site_priority, 2),
      KS_FLAG("IGNORE_A_NAME", ignore_a_name),
      KS_FLAG("SAVE_COMMENT", save_comment),
      KS_FLAG("SAVE_SELECT", save_select),
      KS_FLAG("SAVE_IFRAME", save_iframe),
      KS_FLAG("SAVE_RSS_DESCRIPTION", save_rss_description),
      KS_FLAG("SAVE_RSS_CONTENT", save_rss_content),
      KS_FLAG("SAVE_EMPTY_LINE", save_empty_line),
      KS_FLAG("SAVE_CONTEXT_USE", save_context_use),
      KS_RANGED("SAVE_CONTEXT_BEFORE", save_context_before, 1, 0, 10),
      KS_RANGED("SAVE_CONTEXT_AFTER", save_context_after, 1, 0, 10),
      KS_FLAG("NGAREA0_USE", ngarea_use),
      KS_RANGED("NGAREA0_BEFORE", ngarea_before, 1, 0, 10),
      KS_RANGED("NGAREA0_AFTER", ngarea_after, 1, 0, 10),
  };
}

}  // namespace

const std::vector<SettingKey>& page_setting_keys() {
  static const std::vector<SettingKey> table = make_table();
  return table;
}

SetStatus set_setting_text(const SettingKey& key, PageSettings& rec, std::string_view text) {
  if (key.type == KeyType::kString) {
    if (text.size() > key.capacity - 1) return SetStatus::kTooLong;
    // A line break would let the value set other keys of site.db.
    const bool multi_line = std::string_view(key.name) == "COMMENT";
    if (multi_line ? text.find('\0') != std::string_view::npos : has_line_break(text)) {
      return SetStatus::kLineBreak;
    }
    key.str_of(rec).assign(text);
    return SetStatus::kOk;
  }
  std::size_t i = text.size() > 0 && (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (i >= text.size()) return SetStatus::kNotANumber;
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return SetStatus::kNotANumber;
    v = v * 10 + (text[i] - '0');
    if (v > (int64_t{1} << 32)) return SetStatus::kOutOfRange;
  }
  if (text[0] == '-') v = -v;
  if (v < key.min || v > key.max) return SetStatus::kOutOfRange;
  key.int_of(rec) = static_cast<int32_t>(v);
  return SetStatus::kOk;
}

std::string setting_text(const SettingKey& key, const PageSettings& rec) {
  return key.type == KeyType::kString ? key.str_of(rec) : std::to_string(key.int_of(rec));
}

const SettingKey* find_page_setting_key(std::string_view name) {
  for (const SettingKey& k : page_setting_keys()) {
    if (name == k.name) return &k;
  }
  return nullptr;
}

}  // namespace ks::store
