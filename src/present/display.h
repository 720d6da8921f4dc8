// Composing result text into panes: item headlines from the headline
// templates, changed lines with their links and images, whole pages with the
// parts outside the check areas dimmed, error and notice lines, keyword
// highlighting, an item's stored result and the list of items by last update.
//
// Everything writes through the Pane interface (present/pane.h), so the same
// composition feeds the terminal, the desktop viewer and the tests. Texts are
// Shift_JIS. These functions run on whichever thread owns the pane at the time
// (a check worker holds the run's display lock); they read item folders and
// never write them.
//
// Entry points for a check run:
//   show_item_outcome()    one finished item, into the run's change and
//                          message panes (the RunHost's "show a slot's outcome")
//   show_redirect_notice() a hop that ended in a redirect
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/options/options.h"
#include "compare/regex.h"
#include "present/line_display.h"
#include "present/pane.h"
#include "store/page_settings.h"
#include "store/tree.h"

namespace ks::present {

// What a display needs besides the pane and the item.
struct DisplayEnv {
  // The options in force; must outlive the call.
  const app_options::Options* options = nullptr;
  // Status bar text (Shift_JIS); an empty text clears it. May be empty.
  std::function<void(std::string_view)> status;
  // Run-wide abort flag; reading stops at the next line once it is set.
  const std::atomic<bool>* abort = nullptr;
  // For check areas in whole-page view; nullptr: RegexLibrary::shared().
  const compare::RegexLibrary* regex = nullptr;
  // Current time in seconds since the epoch (ages in the update list);
  // empty: the system clock.
  std::function<int64_t()> now;
};

// How a finished check of one item ended, as the run reports it.
struct ItemOutcome {
  int result_code = 0;          // compare::ResultCode
  std::string message;          // for codes 4 and 5
  bool redirect_limit = false;  // the hop limit was reached
  // Where the check put its added and deleted lines: add<n>.txt and
  // del<n>.txt of this log number, or add.txt and del.txt when -1.
  int lines_log = -1;
};

// Shows one finished item: changed lines (code 3) and "初期化しました。"
// (code 0) go to `change`; everything else to `message` (codes 1 and 2 only
// with NOCHANGE_MSG; codes 4 to 7 as error lines). The item's added and
// deleted lines (outcome.lines_log) are read from item.folder_path.
// `change` and `message` may be the same pane.
void show_item_outcome(Pane& change, Pane& message, const store::PageSettings& item,
                       const ItemOutcome& outcome, const DisplayEnv& env);

// An error line with `http_message`, then "転送 --> " and the target as a link.
void show_redirect_notice(Pane& pane, const store::PageSettings& item,
                          std::string_view http_message, std::string_view target,
                          const DisplayEnv& env);

// One log file (add, del or a whole text) with the item's headline. Returns
// the number of lines shown; a file that cannot be opened shows nothing.
int show_log_file(Pane& pane, std::string_view path, bool whole_page,
                  const store::PageSettings& item, bool deleted, const DisplayEnv& env);

// An item's result from its logs: in whole-page view its current text
// (new.txt, else log<n>.txt); otherwise add<n>.txt and, when the item keeps
// deleted lines, del<n>.txt. A negative `log_index` means the unnumbered
// add.txt/del.txt of a check that has just finished.
void show_item_result(Pane& pane, std::string_view folder, int log_index, bool whole_page,
                      const store::PageSettings& item, const DisplayEnv& env);

// An item's stored result: the text of its result code (the no-change notice
// for codes 1 and 2, an error line for 4 to 6), then the added lines of its
// last `count` checks walking back from the current log; count 0 means one
// for a changed item and none otherwise.
void show_stored_result(Pane& pane, std::string_view folder, const store::PageSettings& item,
                        int count, const DisplayEnv& env);

// The line display style of an item's result lines (below).
LineStyle result_line_style(const store::PageSettings& item, const app_options::Options& o,
                            bool whole_page);

// One converted log line and a line break, by the line display rule
// (line_display.h) with the options' image settings, SHOW_HTML_TAG in
// whole-page view, and the item's AS_TEXT and URL; links belong to the item.
void write_result_line(Pane& pane, std::string_view line, const store::PageSettings& item,
                       bool whole_page, const DisplayEnv& env);

// Headline of an item: its template by importance, with %link; %date; %time;
// %config; %comment; filled in. Without `time`, %date; and %time; are empty.
void write_headline(Pane& pane, const store::PageSettings& item, std::optional<int64_t> time,
                    const DisplayEnv& env);
// "■" name " --- エラー : " message " " ▽, recorded in the headline table.
void write_error_line(Pane& pane, const store::PageSettings& item, std::string_view message);
// "■" name " --- " text " " ▽: a result that is no error and has no lines.
void write_item_notice(Pane& pane, const store::PageSettings& item, std::string_view text);
// The text and a line break.
void write_notice_line(Pane& pane, std::string_view text);
// The item's name as a link to BROWSE_URL (else URL); it starts the item's links.
void write_item_name_link(Pane& pane, const store::PageSettings& item);
// "▽", a link that opens the item's settings.
void write_settings_link(Pane& pane, const store::PageSettings& item);

// Marks every hit of the 20 HIGHLIGHT keywords in the pane (slots 0-9 with
// highlight 0, 10-19 with highlight 1), adds each range once to the pane's
// keyword table and sorts it.
void highlight_keywords(Pane& pane, const app_options::Options& options);

// Clears the pane and lists every item below the tree's root that has an
// update time, newest first, with its age. `base_folder` is the folder the
// data folder lies in (ends in '/'). Not while a run writes results.
void show_last_update_times(Pane& pane, const store::Tree& tree, std::string_view base_folder,
                            const DisplayEnv& env);

// The age form of the update list: "%ld日前", "%ld時間%ld分前" or "%ld分前".
std::string age_text(int64_t seconds);

}  // namespace ks::present
