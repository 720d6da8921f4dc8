#include "gui/dialogs/style_buttons.h"

#include <QApplication>
#include <QColorDialog>
#include <QFontDialog>
#include <QPainter>
#include <QPixmap>

#include "gui/viewer/sjis_qt.h"
#include "platform/sjis.h"

namespace ks::gui {

QColor color_from_bgr(int32_t bgr) {
  const auto v = static_cast<uint32_t>(bgr);
  return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                static_cast<int>((v >> 16) & 0xFF));
}

int32_t bgr_from_color(const QColor& c) {
  return static_cast<int32_t>(static_cast<uint32_t>(c.red()) |
                              static_cast<uint32_t>(c.green()) << 8 |
                              static_cast<uint32_t>(c.blue()) << 16);
}

ColorButton::ColorButton(int32_t bgr, std::array<int32_t, app_options::kCustomColorCount>* custom)
    : value_(bgr), custom_(custom) {
  setAutoDefault(false);
  setAccessibleName(QStringLiteral("色"));
  paint_swatch();
  connect(this, &QPushButton::clicked, this, [this] { choose(); });
}

void ColorButton::paint_swatch() {
  QPixmap swatch(32, 14);
  swatch.fill(color_from_bgr(value_));
  QPainter p(&swatch);
  p.setPen(palette().color(QPalette::WindowText));
  p.drawRect(swatch.rect().adjusted(0, 0, -1, -1));
  setIcon(QIcon(swatch));
  setIconSize(swatch.size());
}

void ColorButton::choose() {
  for (int i = 0; i < app_options::kCustomColorCount; ++i) {
    QColorDialog::setCustomColor(i, color_from_bgr((*custom_)[static_cast<std::size_t>(i)]));
  }
  const QColor c = QColorDialog::getColor(color_from_bgr(value_), this, QStringLiteral("色の設定"));
  for (int i = 0; i < app_options::kCustomColorCount; ++i) {
    (*custom_)[static_cast<std::size_t>(i)] = bgr_from_color(QColorDialog::customColor(i));
  }
  if (!c.isValid()) return;
  value_ = bgr_from_color(c);
  paint_swatch();
}

FontButton::FontButton(const app_options::FontRecord& f) : font_(QApplication::font()) {
  setAutoDefault(false);
  if (!f.face_name.empty()) font_.setFamily(to_qstring(f.face_name));
  if (f.point > 0) font_.setPointSize(f.point);
  font_.setBold(f.bold != 0);
  font_.setItalic(f.italic != 0);
  font_.setUnderline(f.underline != 0);
  font_.setStrikeOut(f.strikeout != 0);
  show_name();
  connect(this, &QPushButton::clicked, this, [this] { choose(); });
}

void FontButton::show_name() {
  setText(QStringLiteral("%1 %2pt").arg(font_.family()).arg(font_.pointSize()));
}

void FontButton::choose() {
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, font_, this, QStringLiteral("フォント"));
  if (!ok) return;
  font_ = chosen;
  chosen_ = true;
  show_name();
}

void FontButton::store(app_options::FontRecord& out) const {
  if (!chosen_) return;
  std::string face = to_sjis(font_.family());
  face.resize(sjis_fit(face, app_options::kFaceNameCapacity - 1));
  out.face_name = face;
  out.point = font_.pointSize() > 0 ? font_.pointSize() : out.point;
  out.bold = font_.bold() ? 700 : 0;  // the weight of a bold font
  out.italic = font_.italic() ? 1 : 0;
  out.underline = font_.underline() ? 1 : 0;
  out.strikeout = font_.strikeOut() ? 1 : 0;
}

}  // namespace ks::gui
