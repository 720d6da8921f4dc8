// Shift_JIS text meeting Qt: the character each code shows as, with one
// QChar per Shift_JIS character (so counting characters counts QChars), and
// plain conversions for status texts and the clipboard.
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/sjis.h"

namespace ks::gui {

// The character a code (a single byte, or lead << 8 | trail) shows as:
// control bytes as a space, codes without a character as U+FFFD.
char16_t display_char(uint16_t code);

// The code of the character starting at s[i] and its length in bytes (1 or 2).
inline uint16_t sjis_code_at(std::string_view s, std::size_t i, std::size_t& length) {
  if (is_sjis_pair(s, i)) {
    length = 2;
    return static_cast<uint16_t>(static_cast<unsigned char>(s[i]) << 8 |
                                 static_cast<unsigned char>(s[i + 1]));
  }
  length = 1;
  return static_cast<unsigned char>(s[i]);
}

// Appends the display characters of `sjis` to `out`.
void append_display(QString& out, std::string_view sjis);
// The display characters of `sjis`.
QString display_string(std::string_view sjis);

// Conversions for texts handed to or taken from Qt (status, clipboard,
// dialogs); line breaks pass unchanged.
QString to_qstring(std::string_view sjis);
std::string to_sjis(const QString& text);

}  // namespace ks::gui
