// The HTML result report: the added (and deleted) lines of updated items, or
// their images, written as an HTML 4.01 page in Shift_JIS and opened in a
// browser; and the text of a result pane saved as HTML. The log lines are
// already HTML with the converter's line markup, so they are copied almost as
// they are, with highlight spans for the highlight words.
//
// Built on whichever thread asks (the UI thread at the end of a run); reads
// the item folders and the options, writes only the report file.
#pragma once

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/options/options.h"
#include "present/buffered_pane.h"
#include "present/open_page.h"
#include "store/page_settings.h"
#include "store/page_settings_io.h"
#include "store/tree.h"

namespace ks::present {

enum class ReportMode : int { kText = 0, kImages = 2 };

// "#RRGGBB" of a 0x00BBGGRR colour.
std::string html_color(int32_t bgr);

std::string report_head(const app_options::Options& o, ReportMode mode, std::time_t when);
std::string report_tail(const app_options::Options& o);

// One byte per log byte: 0, or the highlight class (1 for words 0-9, 2 for
// words 10-19) of the word that covers it; later words win. Words are found
// in the text outside tags with character references resolved; a hit marks
// every log byte from its first to its last, tags inside included.
std::vector<uint8_t> highlight_classes(std::string_view log, const std::vector<std::string>& words);

// The highlight words in force (empty without USE_HIGHLIGHT).
std::vector<std::string> highlight_words(const app_options::Options& o);

// Writes the sections of a report one log at a time.
class ReportWriter {
 public:
  ReportWriter(const app_options::Options& o, ReportMode mode) : o_(o), mode_(mode) {}

  // One log (add or del) of an item; nothing for an empty or missing log.
  void add_log(std::string_view log_path, const store::PageSettings& item,
               std::string_view display_name, bool deleted);
  int sections() const { return sections_; }
  std::string& body() { return body_; }

 private:
  void heading(const store::PageSettings& item, std::string_view name, bool deleted);
  void text_content(std::string_view log);
  void image_content(std::string_view log, const store::PageSettings& item, std::string_view name,
                     bool deleted);

  const app_options::Options& o_;
  ReportMode mode_;
  int sections_ = 0;
  std::string body_;
};

struct ReportEnv {
  const app_options::Options* options = nullptr;
  std::string base_folder;  // ends in '/'
  std::function<void(std::string_view)> status;
  MessageFn message;
  std::time_t now = 0;  // 0: the clock
  // Fills in the settings a matching template supplies (DETECT_DELETED_LINES
  // decides whether an item has deleted-lines sections); may be empty.
  store::TemplateApplier apply_template;
};

// The whole report for the selection: a single item's last N_RELOAD results,
// or every updated item below a group, taken as a check run would take them
// (check/item_walk.h: disabled groups and items and the template folder
// passed over, high importance first with USE_SITE_PRIORITY).
std::string build_report(const store::Tree& tree, store::NodeId selected, ReportMode mode,
                         const ReportEnv& env);

// Where the report goes (result.html, or result/result-YYYYMMDD-HHMMSS.html
// with SAVE_RESULT_FILE); nullopt after telling the user the folder could not
// be made.
std::optional<std::string> report_file_path(const ReportEnv& env);

// Builds and writes the report; the file's path, nullopt after a message.
std::optional<std::string> write_report(const store::Tree& tree, store::NodeId selected,
                                        ReportMode mode, const ReportEnv& env);

// Opens a written report: the default handler, or BROWSER with a file URL.
bool open_report(std::string_view path, const OpenEnv& env);

// The pane's text as an HTML page (text report head, escaped text, links;
// item-settings links are left out with their text).
std::string pane_as_html(const BufferedPane& pane, const app_options::Options& o, std::time_t when);
// "YYYYMMDD-HHMMSS.html", the proposed name.
std::string pane_html_file_name(std::time_t when);

}  // namespace ks::present
