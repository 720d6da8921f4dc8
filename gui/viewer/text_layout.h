// Laying a pane's text out in display rows: character widths measured in
// the viewer's font and wrapping at a width limit. Only here (and in
// painting) does Shift_JIS meet Unicode, one character at a time.
//
// Widths: the 256 single-byte characters are measured when the font is set;
// a double-byte character is measured as one pair the first time it is met
// and kept in a table of all 65,536 pair codes, so a re-wrap of a full pane
// measures nothing new. UI thread (font metrics).
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "gui/viewer/viewer_text.h"
#include "platform/sjis.h"

namespace ks::gui {

class CharWidths {
 public:
  explicit CharWidths(const QFont& font);

  // The width of the character at t[i] and its length in bytes.
  int width_at(std::string_view t, std::size_t i, std::size_t& length) {
    const auto lead = static_cast<unsigned char>(t[i]);
    if (is_sjis_pair(t, i)) {
      length = 2;
      const auto code = static_cast<uint16_t>(lead << 8 | static_cast<unsigned char>(t[i + 1]));
      const int16_t w = pairs_[code];
      return w >= 0 ? w : measure_pair(code);
    }
    length = 1;
    return single_[lead];
  }
  // The font's height in pixels (at least 1) and its ascent.
  int height() const { return height_; }
  int ascent() const { return ascent_; }
  const QFontMetrics& metrics() const { return metrics_; }

 private:
  int measure_pair(uint16_t code);

  QFontMetrics metrics_;
  std::array<int16_t, 256> single_{};
  std::vector<int16_t> pairs_;  // -1: not measured yet
  int height_ = 1;
  int ascent_ = 0;
};

struct LineMeasure {
  int rows = 1;
  int widest = 0;
};

// Rows of a line wrapped at `limit` pixels: a row ends before a character
// that would take it past the limit (a row holds at least one character).
LineMeasure measure_line(std::string_view t, CharWidths& widths, int limit);
// The byte offsets within the line where its rows start (the first is 0).
void row_starts(std::string_view t, CharWidths& widths, int limit, std::vector<uint32_t>& out);

// Measures the lines of `text` not yet laid out (and the open last line,
// which may have grown) and sets their rows, widest rows and first rows.
// Returns the total number of display rows.
int lay_out_new_lines(ViewerText& text, CharWidths& widths, int limit);
// After a width change: every line again, except empty lines and one-row
// lines whose widest row still fits. Returns the total number of rows.
int lay_out_again(ViewerText& text, CharWidths& widths, int limit);

}  // namespace ks::gui
