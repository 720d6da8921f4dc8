#include "gui/dialogs/text_limits.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>

#include "gui/viewer/sjis_qt.h"

namespace ks::gui {

std::size_t sjis_bytes(const QString& text) {
  return to_sjis(text).size();
}

QValidator::State SjisLimitValidator::validate(QString& input, int&) const {
  return sjis_bytes(input) <= max_ ? Acceptable : Invalid;
}

void limit_line_edit(QLineEdit* edit, std::size_t max_bytes) {
  // Characters never take fewer bytes than one, so the character limit is a
  // cheap first bound; the validator counts the bytes.
  edit->setMaxLength(static_cast<int>(max_bytes));
  edit->setValidator(new SjisLimitValidator(max_bytes, edit));
}

namespace {

std::size_t crlf_bytes(const QString& text) {
  return sjis_bytes(text) + static_cast<std::size_t>(text.count(QLatin1Char('\n')));
}

}  // namespace

void limit_plain_text(QPlainTextEdit* edit, std::size_t max_bytes) {
  // The last text within the limit; a change past it is taken back with the
  // cursor where it was.
  auto last = std::make_shared<QString>(edit->toPlainText());
  auto last_pos = std::make_shared<int>(0);
  QPointer<QPlainTextEdit> guard(edit);
  QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [guard, last, last_pos, max_bytes] {
    if (!guard) return;
    const QString now = guard->toPlainText();
    if (crlf_bytes(now) <= max_bytes) {
      *last = now;
      *last_pos = guard->textCursor().position();
      return;
    }
    const QSignalBlocker block(guard);
    guard->setPlainText(*last);
    QTextCursor c = guard->textCursor();
    c.setPosition(std::min(*last_pos, static_cast<int>(last->size())));
    guard->setTextCursor(c);
  });
  QObject::connect(edit, &QPlainTextEdit::cursorPositionChanged, edit, [guard, last_pos] {
    if (guard) *last_pos = guard->textCursor().position();
  });
}

std::string one_line_sjis(const QString& text) {
  std::string out = to_sjis(text);
  std::erase_if(out, [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
  return out;
}

std::string multi_line_sjis(const QString& text) {
  std::string raw = to_sjis(text);
  std::string out;
  out.reserve(raw.size() + 16);
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c == '\0') continue;
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

QString edit_text(std::string_view sjis) {
  QString s = to_qstring(sjis);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return s;
}

}  // namespace ks::gui
