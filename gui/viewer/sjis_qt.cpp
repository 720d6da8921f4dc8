#include "gui/viewer/sjis_qt.h"

#include "platform/sjis.h"

namespace ks::gui {

char16_t display_char(uint16_t code) {
  if (code < 0x20 || code == 0x7F) return u' ';
  const int32_t cp = cp932_to_unicode(code);
  if (cp < 0 || cp > 0xFFFF) return u'\uFFFD';
  return static_cast<char16_t>(cp);
}

void append_display(QString& out, std::string_view sjis) {
  out.reserve(out.size() + static_cast<qsizetype>(sjis.size()));
  std::size_t i = 0;
  while (i < sjis.size()) {
    std::size_t n = 1;
    out.append(QChar(display_char(sjis_code_at(sjis, i, n))));
    i += n;
  }
}

QString display_string(std::string_view sjis) {
  QString out;
  append_display(out, sjis);
  return out;
}

QString to_qstring(std::string_view sjis) {
  return QString::fromStdString(sjis_to_utf8(sjis));
}

std::string to_sjis(const QString& text) {
  return utf8_to_sjis(text.toStdString());
}

}  // namespace ks::gui
