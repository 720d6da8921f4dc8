// Edit limits counted in Shift_JIS bytes, as the stored fields count them,
// and the texts that go from a dialog into a record. A line edit refuses a
// keystroke or a paste that would pass its limit; a multi-line edit takes
// back the change that passed it (a line break counts two bytes, CR LF, as
// the record keeps it). One-line texts lose CR, LF and NUL on their way
// into a record, so no value can add a line to an INI file; multi-line
// texts lose NUL and get CR LF line breaks. UI thread.
#pragma once

#include <QString>
#include <QValidator>
#include <cstddef>
#include <string>
#include <string_view>

class QLineEdit;
class QPlainTextEdit;

namespace ks::gui {

// Bytes of `text` in Shift_JIS (line breaks as they are in the QString).
std::size_t sjis_bytes(const QString& text);

class SjisLimitValidator : public QValidator {
 public:
  SjisLimitValidator(std::size_t max_bytes, QObject* parent)
      : QValidator(parent), max_(max_bytes) {}
  State validate(QString& input, int& pos) const override;

 private:
  std::size_t max_;
};

// Limits a line edit to `max_bytes` Shift_JIS bytes.
void limit_line_edit(QLineEdit* edit, std::size_t max_bytes);
// Limits a multi-line edit to `max_bytes` bytes with CR LF line breaks.
void limit_plain_text(QPlainTextEdit* edit, std::size_t max_bytes);

// A one-line text for a record: Shift_JIS without CR, LF and NUL.
std::string one_line_sjis(const QString& text);
// A multi-line text for a record: Shift_JIS, CR LF line breaks, no NUL.
std::string multi_line_sjis(const QString& text);
// A record's text (Shift_JIS) for an edit; CR LF becomes one line break.
QString edit_text(std::string_view sjis);

}  // namespace ks::gui
