// The global options of kestrelscan.ini: section CONFIG (network, behaviour
// at start and at the end of a run, display, report, data folder) and the two
// font records FONT (the log viewer, with its colours) and TREEFONT (the
// tree). A plain value: the defaults are the member initialisers; loading
// reads every key with its default and applies the few "read as" range
// corrections; saving writes every key in the documented order. Texts are
// Shift_JIS; colours are 0x00BBGGRR.
//
// The application core (app/application.h) owns the options; a check run
// takes a copy of the settings it needs when it starts.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/sjis.h"

namespace ks::app_options {

inline constexpr std::size_t kFaceNameCapacity = 64;
inline constexpr std::size_t kProxyUrlCapacity = 2101;
inline constexpr std::size_t kOptionPathCapacity = 261;
inline constexpr std::size_t kHighlightCapacity = 65;
inline constexpr std::size_t kHeaderCapacity = 251;
inline constexpr std::size_t kCustomHtmlCapacity = 2001;
inline constexpr int kHighlightCount = 20;
inline constexpr int kCustomColorCount = 16;

struct FontRecord {
  std::string face_name;          // FACENAME; empty: the desktop's default GUI font
  int32_t point = 10;             // POINT
  int32_t bold = 0;               // BOLD
  int32_t italic = 0;             // ITALIC
  int32_t underline = 0;          // UNDERLINE
  int32_t strikeout = 0;          // STRIKEOUT
  int32_t charset = 128;          // CHARSET (128: Shift_JIS)
  int32_t color = 0x000000;       // COLOR, window text
  int32_t back_color = 0xFFFFFF;  // BACKCOLOR, window background
};

struct Options {
  // Section FONT: the log viewer's font and the colours of results.
  FontRecord font;
  int32_t link_color = 0xFF0000;
  int32_t link_opened_color = 0x800080;
  int32_t use_link_underline = 1;
  int32_t highlight_color = 0x00FFFF;
  int32_t highlight_color1 = 0x40FF00;
  int32_t use_midashi_color = 1;
  int32_t use_midashi_color1 = 1;
  // Headings for importance normal, middle, high.
  std::array<int32_t, 3> midashi_back_color = {0xC08080, 0xFF00FF, 0x0099FF};
  std::array<int32_t, 3> midashi_color = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
  std::array<int32_t, 3> midashi_link_color = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
  std::array<int32_t, kCustomColorCount> custom_colors{};  // CUSTCOLOR0..15
  int32_t line_height = 150;                               // percent, 100..200

  // Section TREEFONT (its CUSTCOLOR keys are written from custom_colors).
  FontRecord tree_font;

  // Section CONFIG.
  std::string proxy_url;
  int32_t proxy_port = 8080;
  int32_t use_proxy = 0;
  int32_t use_head = 1;
  int32_t disable_http_redirect = 0;
  int32_t retry = 1;           // 0..9
  int32_t timeout = 30;        // 5..99 seconds
  int32_t max_connection = 4;  // 1..32, others read as 4
  int32_t tx_interval = 0;     // 0..10000 ms, others read as 0
  int32_t n_reload = 3;        // 1..24, others read as 3
  int32_t nochange_msg = 1;
  int32_t max_disp_line = 100;  // 1..2000, others read as 100
  int32_t disp_image_name = 0;
  int32_t image_link = 0;
  int32_t save_result_file = 0;
  int32_t use_browser = 0;
  std::string browser;
  int32_t stay_focus = 1;
  int32_t stay_focus_time = 3;  // 1..9 seconds
  int32_t startup_check = 0;
  int32_t finish_message = 0;
  int32_t always_finish_message = 1;
  int32_t save_history = 0;
  int32_t use_highlight = 0;
  std::array<std::string, kHighlightCount> highlights;  // HIGHLIGHT0..19
  int32_t use_notify_sound = 0;
  std::string notify_sound;
  // Heading templates for importance normal, middle, high (multi-line).
  std::array<std::string, 3> headers = {KS_SJ("======== %link; ======== (%date; %time;) %config;"),
                                        KS_SJ("■■■■ %link; ■■■■ (%date; %time;) %config;"),
                                        KS_SJ("★★★★ %link; ★★★★ (%date; %time;) %config;")};
  int32_t auto_open_browser_view = 0;
  int32_t auto_close = 0;
  int32_t force_close = 0;
  int32_t start_minimized = 0;
  int32_t show_on_change = 0;
  int32_t auto_tree_sort = 1;
  int32_t treeview_use_custom_font = 0;
  int32_t treeview_use_custom_color = 0;
  int32_t treeview_disp_item_count = 0;
  int32_t use_site_priority = 0;
  int32_t disable_startup_window = 0;
  int32_t disp_nochange_time = 1;
  int32_t nochange_days = 30;  // 0..999
  int32_t jump_to_msg = 1;
  int32_t show_html_tag = 0;
  int32_t disp_http_redirect = 0;
  int32_t use_viewer = 0;
  int32_t disp_check_date = 0;
  int32_t disp_full_path = 0;
  int32_t stay_task_tray = 0;
  int32_t use_html_move_button = 1;
  int32_t use_html_link_open_new = 0;
  int32_t use_custom_html = 0;
  std::string custom_html_head;         // multi-line
  std::string custom_html_body_top;     // multi-line
  std::string custom_html_body_bottom;  // multi-line
  int32_t use_custom_data_folder = 0;
  std::string custom_data_folder;
};

inline constexpr std::string_view kOptionsFile = "kestrelscan.ini";

// Reads kestrelscan.ini in the application folder (ends in '/'); a missing
// file gives every default.
Options load_options(std::string_view app_folder);
Options parse_options(std::string_view ini_bytes);
// Writes every key in order and replaces the file atomically; keys and
// sections of other kinds in the file are kept.
bool save_options(std::string_view app_folder, const Options& options);
std::string serialize_options(std::string_view old_ini_bytes, const Options& options);

}  // namespace ks::app_options
