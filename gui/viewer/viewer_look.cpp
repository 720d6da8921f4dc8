#include "gui/viewer/viewer_look.h"

#include <QApplication>
#include <QPalette>
#include <algorithm>

#include "platform/sjis.h"
#include "present/pane.h"

namespace ks::gui {

QColor color_from_option(int32_t bbggrr) {
  const auto v = static_cast<uint32_t>(bbggrr);
  return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                static_cast<int>((v >> 16) & 0xFF));
}

ViewerLook look_from_options(const app_options::Options& options) {
  ViewerLook look;
  const app_options::FontRecord& f = options.font;
  QFont font = QApplication::font();
  if (!f.face_name.empty()) font.setFamily(QString::fromStdString(sjis_to_utf8(f.face_name)));
  if (f.point > 0) font.setPointSize(f.point);
  font.setBold(f.bold != 0);
  font.setItalic(f.italic != 0);
  font.setUnderline(f.underline != 0);
  font.setStrikeOut(f.strikeout != 0);
  // Widths are measured character by character; kerning would move glyphs
  // away from where the layout put them.
  font.setKerning(false);
  look.font = font;
  look.text = color_from_option(f.color);
  look.back = color_from_option(f.back_color);
  look.link = color_from_option(options.link_color);
  look.link_opened = color_from_option(options.link_opened_color);
  look.highlight0 = color_from_option(options.highlight_color);
  look.highlight1 = color_from_option(options.highlight_color1);
  for (std::size_t i = 0; i < 3; ++i) {
    look.headline_text[i] = color_from_option(options.midashi_color[i]);
    look.headline_back[i] = color_from_option(options.midashi_back_color[i]);
    look.headline_link[i] = color_from_option(options.midashi_link_color[i]);
  }
  const QPalette palette = QApplication::palette();
  look.selected_text = palette.color(QPalette::Active, QPalette::HighlightedText);
  look.selected_back = palette.color(QPalette::Active, QPalette::Highlight);
  look.line_height = std::clamp(options.line_height, 100, 200);
  look.link_underline = options.use_link_underline != 0;
  return look;
}

namespace {

// Headline style 2, 1 or 0 of an attribute, -1 for none (style 2 wins).
int headline_style(uint8_t attr) {
  if (attr & present::kAttrHeadline2) return 2;
  if (attr & present::kAttrHeadline1) return 1;
  if (attr & present::kAttrHeadline0) return 0;
  return -1;
}

QColor by_highlight(uint8_t attr, const ViewerLook& look) {
  if (attr & present::kAttrHighlight0) return look.highlight0;
  if (attr & present::kAttrHighlight1) return look.highlight1;
  return look.back;
}

QColor xor_grey(const QColor& c) {
  return QColor(c.red() ^ 0x55, c.green() ^ 0x55, c.blue() ^ 0x55);
}

}  // namespace

RunColors run_colors(uint8_t attr, bool opened, const ViewerLook& look) {
  if (attr & kAttrSelected) return {look.selected_text, look.selected_back};
  if (attr & present::kAttrDimmed) return {xor_grey(look.text), xor_grey(look.back)};
  const int style = headline_style(attr);
  const auto s = static_cast<std::size_t>(style);
  if (attr & present::kAttrLink) {
    if (opened) {
      return {look.link_opened, style >= 0 ? look.headline_back[s] : by_highlight(attr, look)};
    }
    if (style >= 0) return {look.headline_link[s], look.headline_back[s]};
    return {look.link, by_highlight(attr, look)};
  }
  if (style >= 0) return {look.headline_text[s], look.headline_back[s]};
  return {look.text, by_highlight(attr, look)};
}

}  // namespace ks::gui
