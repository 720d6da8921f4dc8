// A pane that keeps its text in memory: the text with one attribute byte per
// byte, its lines and its links. The terminal pane and the recording pane of
// the tests build on it; it is also the model a desktop viewer can draw.
//
// Limits as the desktop viewer has them, so every front end shows the same:
// at most kPaneTextLimit bytes and kPaneLineLimit lines; text past the limit
// is cut (never inside a double-byte character) and the notice
// " [表示可能な文字数を超えました]" is appended once. Links beyond
// kPaneLinkLimit are shown as plain text. The pending buffer holds up to
// kPendingLimit bytes before it is handed on.
//
// A subclass that has shown a batch may drop it (discard_shown()): offsets
// and line numbers then keep counting from where they were.
//
// One thread at a time (see pane.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "present/pane.h"

namespace ks::present {

inline constexpr std::size_t kPaneTextLimit = 511999;  // the viewer's text buffer less its NUL
inline constexpr std::size_t kPaneLineLimit = 10000;   // the viewer's line table
inline constexpr std::size_t kPaneLinkLimit = 60000;   // the link target list's ceiling
inline constexpr std::size_t kPendingLimit = 99999;    // the pending buffer less its NUL

struct PaneLink {
  std::size_t start;   // offset of the visible text
  std::size_t length;  // bytes
  std::string target;
  LinkOrigin origin;
};

class BufferedPane : public Pane {
 public:
  BufferedPane() = default;

  void begin() override;
  void write_text(std::string_view text) override;
  void write_link(std::string_view text, std::string_view target,
                  const LinkOrigin& origin = {}) override;
  void set_text_kind(TextKind kind) override;
  void flush() override;
  void end() override;
  int current_line() override;
  std::size_t end_offset() override;
  void mark_highlight(std::size_t start, std::size_t end, int which) override;
  std::optional<std::size_t> find(std::string_view needle, std::size_t from) override;

  // The text held (line breaks as '\n'), starting at offset base_offset().
  const std::string& text() const { return text_; }
  const std::vector<uint8_t>& attributes() const { return attrs_; }
  const std::vector<PaneLink>& links() const { return links_; }
  std::size_t base_offset() const { return base_offset_; }
  // Lines closed so far (all of them, dropped ones included).
  int closed_lines() const { return closed_lines_; }
  bool writing() const { return writing_; }
  bool full() const { return full_; }
  // Whether text arrived since the last clear (the desktop app marks its tab).
  bool received_text() const { return received_; }

 protected:
  void clear_text() override;
  // Drops the text held so far; offsets and line numbers go on counting.
  void discard_shown();

 private:
  void hand_over(std::string_view text, uint8_t attr);
  void append_piece(std::string_view piece, uint8_t attr);
  void close_line(uint8_t attr);

  std::string pending_;
  bool last_was_link_ = false;
  bool writing_ = false;
  bool received_ = false;
  uint8_t attr_ = 0;

  std::string text_;
  std::vector<uint8_t> attrs_;
  std::vector<PaneLink> links_;
  std::size_t base_offset_ = 0;
  std::size_t total_links_ = 0;
  int closed_lines_ = 0;
  std::size_t held_lines_ = 0;  // closed lines in text_
  bool full_ = false;
  bool pending_cr_ = false;  // a CR ended the last piece; an LF right after it belongs to it
};

}  // namespace ks::present
