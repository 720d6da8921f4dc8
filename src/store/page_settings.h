// The page settings record: the in-memory form of an item's (or template's)
// site.db. A plain value, copied whole between the tree, the settings editor
// and the check run. Texts are Shift_JIS; each field's capacity (bytes with
// the terminating zero of the file format) is given beside it, and readers cut
// longer values to capacity - 1 bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace ks::store {

inline constexpr std::size_t kPathCapacity = 261;
inline constexpr std::size_t kFolderPathCapacity = 264;
inline constexpr std::size_t kUrlCapacity = 2101;
inline constexpr std::size_t kWordCapacity = 65;
inline constexpr std::size_t kAuthIdCapacity = 65;
inline constexpr std::size_t kAuthPassCapacity = 193;
inline constexpr std::size_t kCommentCapacity = 1001;
inline constexpr int kWordCount = 10;

// One check area or ignored area: where it starts and ends.
struct AreaSetting {
  std::string start;       // 65; empty: the area is not set
  std::string end;         // 65
  int32_t start_type = 0;  // 0 from the line holding the text, 1 from the line after it
  int32_t end_type = 0;    // 0 to the line holding the text, 1 to the line before it
  int32_t repeat = 0;      // check areas only: apply repeatedly
};

struct PageSettings {
  // Where the record came from (not stored in site.db).
  uint64_t node_id = 0;       // the tree node's identifier, 0 when none
  int32_t kind = 2;           // 2 item, 4 template
  std::string folder_path;    // 264
  int32_t parent_length = 0;  // bytes of folder_path up to and including the last separator
  std::string name;           // 261, display name

  std::string url;                               // URL, 2101
  std::string browse_url;                        // BROWSE_URL, 2101
  std::array<std::string, kWordCount> ng_words;  // NGWORD0..9, 65 each
  std::array<std::string, kWordCount> ok_words;  // OKWORD0..9, 65 each
  int32_t use_regexp_ngword = 0;
  int32_t use_regexp_okword = 0;

  // Comparison options.
  int32_t use_old_log = 1;  // 0..24, other values read as 1
  int32_t ignore_number_diff = 0;
  int32_t ignore_number_only_line = 0;
  int32_t ignore_space_only_line = 0;
  int32_t ignore_no_japanese_line = 0;
  int32_t ignore_same_text = 0;

  // Fetch and extraction options.
  int32_t noproxy = 0;
  int32_t dont_use_head = 0;
  int32_t disable_http_redirect = 0;
  int32_t table_setting = 0;  // 0 nothing, 1 no break inside cells, 2 no break inside rows
  int32_t charset_sel = 0;    // 0 auto, 1 Shift_JIS, 2 JIS, 3 EUC, 4 UTF-8
  int32_t get_link_only = 0;
  int32_t check_by_http_header = 0;

  // Authentication.
  int32_t auth_type = 0;  // 1: Basic
  std::string auth_id;    // 65
  std::string auth_pass;  // 193, the enciphered Base64 form as stored

  int32_t disable_auto_check = 0;
  std::string comment;  // 1001, CR LF in memory

  std::array<AreaSetting, 2> check_areas;   // CHECK_AREA_*, CHECK_AREA_*1
  std::array<AreaSetting, 2> ignore_areas;  // IGNORE_AREA_*0, IGNORE_AREA_*1
  int32_t use_regexp_check_area = 0;

  // Line filters.
  int32_t ignore_url = 0;
  int32_t ignore_image_name = 0;
  int32_t as_text = 0;  // 0 parse HTML, 1 keep as text (values above 1 read as 1)
  int32_t ignore_no_text = 0;
  int32_t ignore_only_outer_server = 0;

  // Importance and extraction options.
  int32_t site_priority = 0;  // 0 normal, 1 middle, 2 high
  int32_t ignore_a_name = 0;
  int32_t save_comment = 0;
  int32_t save_select = 0;
  int32_t save_iframe = 0;
  int32_t save_rss_description = 0;
  int32_t save_rss_content = 0;
  int32_t save_empty_line = 0;

  // Context lines around changed lines.
  int32_t save_context_use = 0;
  int32_t save_context_before = 1;  // 0..10, other values read as 1
  int32_t save_context_after = 1;   // 0..10, other values read as 1

  // NG area (area 0 only).
  int32_t ngarea_use = 0;
  int32_t ngarea_before = 1;  // 0..10, other values read as 1
  int32_t ngarea_after = 1;   // 0..10, other values read as 1

  int32_t option_changed = 0;

  int32_t use_script = 0;  // 0 own HTTP engine, 1 browser component, 2 browser driver
  int32_t detect_deleted_lines = 0;
  int32_t use_template = 0;
  int32_t use_specified_program = 0;
  std::string specified_program_path;  // 261
  int32_t browser_number = 0;          // derived on load, not stored

  int32_t enable_legacy_server_connect = 0;
};

}  // namespace ks::store
