// A result pane on a terminal (or any output stream). Text is kept per batch
// and written out at the end of each batch, converted to UTF-8: headlines in
// their colours, text outside the check areas dimmed, keyword hits
// highlighted, links underlined and, where the terminal supports them,
// clickable (OSC 8 hyperlinks). Without colour everything is plain text;
// raw mode writes the Shift_JIS bytes exactly as composed.
//
// Used by one thread at a time; the stream must outlive the pane.
#pragma once

#include <cstdio>

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

 private:
  void emit_run(std::string_view text, uint8_t attr, const present::PaneLink* link);
  std::string sgr(uint8_t attr) const;

  std::FILE* out_;
  TermStyle style_;
  const app_options::Options& options_;
};

}  // namespace ks::cli
