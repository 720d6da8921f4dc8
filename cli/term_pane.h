// A result pane on a terminal (or any output stream). Text is kept per batch
// and written out at the end of each batch, converted to UTF-8: headlines in
// their colours, text outside the check areas dimmed, keyword hits
// highlighted, links underlined and, where the terminal supports them,
// clickable (OSC 8 hyperlinks). Without colour everything is plain text;
// raw mode writes the Shift_JIS bytes exactly as composed.
//
// Items are named by their paths where a path function is set: the link
// that begins an item's output (its name in a headline, an error line, a
// list) shows the item's path instead of its label, so two pages called
// "index" in different groups can be told apart and what is printed can be
// typed back. The item-settings links ("▽"), which nothing can follow on a
// terminal, are always left out, together with the blanks before them.
//
// Used by one thread at a time; the stream must outlive the pane.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "app/options/options.h"
#include "present/buffered_pane.h"

namespace ks::cli {

struct TermStyle {
  bool colour = false;      // SGR colours and underlines
  bool hyperlinks = false;  // OSC 8 links (with colour only)
  bool truecolour = false;  // 24-bit colours from the options, else the basic eight
  bool raw = false;         // Shift_JIS bytes, no styling at all
};

// What the stream supports: colour when it is a terminal and neither NO_COLOR
// is set nor TERM is "dumb"; hyperlinks except on the Linux console;
// truecolour when COLORTERM says so.
TermStyle detect_term_style(std::FILE* out, bool raw);

class TermPane : public present::BufferedPane {
 public:
  TermPane(std::FILE* out, TermStyle style, const app_options::Options& options);
  ~TermPane() override;

  void end() override;
  // Writes whatever is held now (also done at the end of each batch).
  void show_held();

  // The path of an item's node (Shift_JIS, as commands print it); an empty
  // result keeps the label. Called on the pane's thread.
  using ItemPathFn = std::function<std::string(uint64_t node)>;
  void set_item_paths(ItemPathFn path_of) { path_of_ = std::move(path_of); }

 private:
  void emit_run(std::string_view text, uint8_t attr, const present::PaneLink* link);
  std::string sgr(uint8_t attr) const;

  std::FILE* out_;
  TermStyle style_;
  const app_options::Options& options_;
  ItemPathFn path_of_;
};

}  // namespace ks::cli
