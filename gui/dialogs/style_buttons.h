// The buttons of the font and colour pages. A colour button shows its
// colour (0x00BBGGRR in the options) and opens the colour chooser with the
// sixteen custom colours of the options; a font button shows a font record
// and opens the font chooser. Both write into the sheet's copy of the
// options only when the page is applied. UI thread.
#pragma once

#include <QPushButton>
#include <array>
#include <cstdint>

#include "app/options/options.h"

namespace ks::gui {

QColor color_from_bgr(int32_t bgr);
int32_t bgr_from_color(const QColor& c);

class ColorButton : public QPushButton {
  Q_OBJECT

 public:
  // `custom`: the sixteen custom colours the chooser offers and keeps.
  ColorButton(int32_t bgr, std::array<int32_t, app_options::kCustomColorCount>* custom);
  int32_t value() const { return value_; }

 private:
  void choose();
  void paint_swatch();

  int32_t value_;
  std::array<int32_t, app_options::kCustomColorCount>* custom_;
};

class FontButton : public QPushButton {
  Q_OBJECT

 public:
  explicit FontButton(const app_options::FontRecord& font);
  // Writes face, size and style into `out` (colours and charset untouched)
  // when a font was chosen; an unchanged record keeps its empty face name
  // (the desktop's font).
  void store(app_options::FontRecord& out) const;

 private:
  void choose();
  void show_name();

  QFont font_;
  bool chosen_ = false;
};

}  // namespace ks::gui
