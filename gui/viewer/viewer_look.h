// How the result panes look: the FONT section of the global options (font,
// colours, LINE_HEIGHT, USE_LINK_UNDERLINE) in Qt terms, and the colour
// table that picks a run's text and background colours from its attribute
// byte. UI thread.
#pragma once

#include <QColor>
#include <QFont>
#include <array>
#include <cstdint>

#include "app/options/options.h"

namespace ks::gui {

// The attribute bit a viewer sets while painting selected text.
inline constexpr uint8_t kAttrSelected = 0x40;

struct ViewerLook {
  QFont font;
  QColor text{0, 0, 0};             // COLOR
  QColor back{255, 255, 255};       // BACKCOLOR
  QColor link{0, 0, 255};           // LINKCOLOR
  QColor link_opened{128, 0, 128};  // LINKOPENEDCOLOR
  QColor highlight0{255, 255, 0};   // HIGHLIGHTCOLOR
  QColor highlight1{0, 255, 64};    // HIGHLIGHTCOLOR1
  // Headline styles 0, 1, 2 (importance normal, middle, high).
  std::array<QColor, 3> headline_text;  // MIDASHI_COLOR, 1, 2
  std::array<QColor, 3> headline_back;  // MIDASHI_BACKCOLOR, 1, 2
  std::array<QColor, 3> headline_link;  // MIDASHI_LINKCOLOR, 1, 2
  QColor selected_text{255, 255, 255};  // the desktop's highlighted text
  QColor selected_back{48, 140, 198};   // the desktop's highlight
  int line_height = 150;                // percent of the font height, 100..200
  bool link_underline = true;
};

// A colour value of the options (0x00BBGGRR) as a QColor.
QColor color_from_option(int32_t bbggrr);

// The look the options give; the selection colours come from the
// application's palette, the face from the desktop when FACENAME is empty.
ViewerLook look_from_options(const app_options::Options& options);

struct RunColors {
  QColor text;
  QColor back;
};

// The colours of a run of text with attribute `attr` (kAttrSelected set for
// selected text); `opened` for a link already opened. Selection comes first,
// then dimmed text, links, and headline styles 2, 1, 0; the background of
// plain text and links outside headlines follows the keyword highlights.
RunColors run_colors(uint8_t attr, bool opened, const ViewerLook& look);

}  // namespace ks::gui
