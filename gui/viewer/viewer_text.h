// The text of one result pane as the viewer holds it: every line one after
// another in a Shift_JIS text buffer, each ended by a NUL byte, with one
// attribute byte per text byte (the NUL included); a line table (start,
// length, display rows, first row, links, widest row) and a link table
// (opened flag, columns, offsets, painted x) with each link's target.
//
// Limits are those every pane shares (present/buffered_pane.h): 511,999
// bytes, NULs counted; 10,000 lines; 60,000 links, the link table growing
// 10,000 entries at a time. Text past the byte limit is cut before the
// first character that does not fit whole, and the 31-byte notice
// " [表示可能な文字数を超えました]" is appended once; the pane is then full and
// takes nothing more. A link that finds the table at its limit stays plain
// text.
//
// Offsets count bytes of the buffer: a line break is its NUL, one byte, so
// they agree with every other pane. The display rows of the line table are
// filled by whoever lays the text out (text_layout.h): lines below
// laid_out_lines() are measured, the rest are not yet.
//
// No Qt, no locks: the owner's (UI) thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "present/buffered_pane.h"
#include "present/pane.h"

namespace ks::gui {

// The text buffer: the byte limit, the notice after it, and the last NUL.
inline constexpr std::size_t kViewerBufferBytes = 512032;
inline constexpr std::size_t kLinkTableStep = 10000;
// The largest selection that is copied to the clipboard.
inline constexpr std::size_t kMaxCopyBytes = 512000;

struct ViewerLine {
  uint32_t start = 0;      // offset of the first byte
  uint32_t length = 0;     // bytes, the NUL not counted
  int32_t rows = 1;        // display rows when wrapped, at least 1
  int32_t first_row = 0;   // index of the first display row
  int32_t link_count = 0;  // links starting in the line
  int32_t first_link = 0;  // index of the first of them
  int32_t widest = 0;      // pixel width of the widest row
};

struct ViewerLink {
  bool opened = false;
  int32_t start_col = 0;  // within its line
  int32_t end_col = 0;
  uint32_t start = 0;  // offset
  uint32_t length = 0;
  int32_t left_x = -1;  // as last painted
  int32_t right_x = -1;
};

struct ViewerLinkTarget {
  std::string target;
  present::LinkOrigin origin;
};

class ViewerText {
 public:
  ViewerText();
  ViewerText(const ViewerText&) = delete;
  ViewerText& operator=(const ViewerText&) = delete;

  // No lines, no links, not full.
  void clear();

  // Appends `text` with `attr`: CR LF, lone CR and lone LF each close one
  // line (a CR ending one call and an LF starting the next are one break).
  // Returns how many bytes of the buffer the text took (NULs of closed
  // lines included, the notice not).
  std::size_t hand_over(std::string_view text, uint8_t attr);
  // Records a link over [start, start + length); its columns are those of
  // the line holding `start`. -1 when the table is at its limit.
  int add_link(std::size_t start, std::size_t length, std::string_view target,
               const present::LinkOrigin& origin, bool opened);
  // ORs `bits` into the attributes of [start, end).
  void mark(std::size_t start, std::size_t end, uint8_t bits);
  // Sets the opened flag of every link whose target equals `target`; how many.
  int mark_opened(std::string_view target);
  void set_opened(int link, bool opened) { links_[static_cast<std::size_t>(link)].opened = opened; }

  bool full() const { return full_; }
  // Where the next text lands.
  std::size_t end_offset() const { return open_line().start + open_line().length; }
  // Lines, the open last one included (always at least one).
  int line_count() const { return static_cast<int>(lines_.size()); }
  const ViewerLine& line(int i) const { return lines_[static_cast<std::size_t>(i)]; }
  ViewerLine& line(int i) { return lines_[static_cast<std::size_t>(i)]; }
  std::string_view line_text(int i) const { return {text_.get() + line(i).start, line(i).length}; }
  const uint8_t* attributes() const { return attrs_.get(); }
  const char* bytes() const { return text_.get(); }
  // The line holding `offset` (its NUL included); the last line past the end.
  int line_of(std::size_t offset) const;

  int link_count() const { return static_cast<int>(links_.size()); }
  const ViewerLink& link(int i) const { return links_[static_cast<std::size_t>(i)]; }
  ViewerLink& link(int i) { return links_[static_cast<std::size_t>(i)]; }
  const ViewerLinkTarget& link_target(int i) const { return targets_[static_cast<std::size_t>(i)]; }
  // The link whose text holds `offset`; -1 for none.
  int link_at(std::size_t offset) const;

  // Bytes [start, end) (clamped to the text), every NUL written as CR LF.
  std::string range_crlf(std::size_t start, std::size_t end) const;

  // The first hit of `needle` at or after `from`, inside one line, never on
  // the second byte of a double-byte character; no wrap.
  std::optional<std::size_t> find_forward(std::string_view needle, std::size_t from) const;
  // The find of the viewer: line by line from the line holding `start`,
  // forward (hits at or after `start` in that line) or backward (hits ending
  // at or before it), wrapping from the last line to the first (or the first
  // to the last); the part of the first line not yet searched comes last.
  std::optional<std::size_t> find_wrapped(std::string_view needle, std::size_t start,
                                          bool forward) const;

  // Lines [0, laid_out_lines()) have their rows measured (text_layout.h).
  int laid_out_lines() const { return laid_out_; }
  void set_laid_out_lines(int n) { laid_out_ = n; }

 private:
  const ViewerLine& open_line() const { return lines_.back(); }
  std::size_t append(std::string_view piece, uint8_t attr);
  bool close_line(uint8_t attr);
  // Appends the notice to the open line and takes no more text.
  void become_full();
  // Hits of `needle` in line `i` with start >= lo and end <= hi; the first
  // or the last of them.
  std::optional<std::size_t> find_in_line(int i, std::string_view needle, std::size_t lo,
                                          std::size_t hi, bool last) const;

  std::unique_ptr<char[]> text_;
  std::unique_ptr<uint8_t[]> attrs_;
  std::vector<ViewerLine> lines_;  // capacity kPaneLineLimit, reserved once
  std::vector<ViewerLink> links_;  // grows by kLinkTableStep up to kPaneLinkLimit
  std::vector<ViewerLinkTarget> targets_;
  bool full_ = false;
  bool pending_cr_ = false;  // the last text ended with a CR
  int laid_out_ = 0;
};

}  // namespace ks::gui
