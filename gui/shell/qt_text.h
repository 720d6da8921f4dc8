// Text at the edge between the core (Shift_JIS in std::string) and Qt
// (QString). Pure conversions; any thread.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "platform/sjis.h"

namespace ks::gui {

// Shift_JIS bytes as a QString.
inline QString from_sjis(std::string_view sjis) {
  const std::string utf8 = sjis_to_utf8(sjis);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// A QString as Shift_JIS bytes (characters without a Shift_JIS form as the
// core's converter writes them).
inline std::string to_sjis(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return utf8_to_sjis(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

// A UTF-8 literal or string as a QString.
inline QString from_utf8(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

inline std::string to_utf8(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

}  // namespace ks::gui
