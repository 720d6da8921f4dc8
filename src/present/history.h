// The links the user has opened: the list history.db in the data folder (the
// viewer colours links found in it) and the daily history pages
// history/history-YYYY-MM-DD.html in the base folder. Texts are Shift_JIS.
// The list is owned by the UI thread; the page writer may run anywhere.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "present/pane.h"

namespace ks::present {

inline constexpr std::size_t kHistoryMax = 100;
inline constexpr std::size_t kHistoryUrlMax = 2100;
inline constexpr std::size_t kHistoryTitleMax = 1000;
inline constexpr std::string_view kHistoryFile = "history.db";

struct HistoryEntry {
  std::string url;
  std::string title;
  std::size_t length = 0;  // of url
  uint32_t sum = 0;        // of url's bytes, to find an entry quickly
};

class HistoryList {
 public:
  // Pairs of lines, the title first and the URL second; pairs with an empty
  // line are skipped; at most 100 entries are kept.
  static HistoryList parse(std::string_view bytes);
  // history.db in the data folder; a missing file gives an empty list.
  static HistoryList load(std::string_view data_folder);

  // Moves an entry with this URL to the front, or adds one there (the oldest
  // falls off at 100); marks the list changed.
  void add(std::string_view url, std::string_view title);
  bool is_opened(std::string_view url) const;
  const std::vector<HistoryEntry>& entries() const { return entries_; }
  bool changed() const { return changed_; }

  std::string serialize() const;
  // Writes history.db when changed (or always with `force`).
  bool save(std::string_view data_folder, bool force = false);

 private:
  std::vector<HistoryEntry> entries_;  // most recent first
  bool changed_ = false;
};

// "<<< 開いたリンクの履歴 >>>" and one link per entry.
void show_history(Pane& pane, const HistoryList& list);

// A link as the history page records it.
struct HistoryLink {
  std::string url;
  std::string text;
};

// Appends an opened link to today's history page in base/history (created
// when missing), with the heading link of its item unless the link is that
// heading itself. Failures are silent (false).
bool write_history_entry(std::string_view base_folder, const HistoryLink& link,
                         const HistoryLink& heading, std::time_t when);

// The closing line every history page ends with.
inline constexpr std::string_view kHistoryClose = "</body></html>\n";

}  // namespace ks::present
