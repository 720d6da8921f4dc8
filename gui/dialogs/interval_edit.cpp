#include "gui/dialogs/interval_edit.h"

#include <QLineEdit>
#include <QMessageBox>

#include "app/options/schedule_options.h"

namespace ks::gui {

QLineEdit* interval_line(std::optional<int32_t> minutes) {
  auto* line = new QLineEdit(minutes ? QString::fromStdString(app_options::interval_text(*minutes))
                                     : QString());
  line->setMaxLength(16);
  line->setMaximumWidth(80);
  line->setToolTip(
      QStringLiteral("例: 15m (分) 2h (時間) 1d (日) 1w (週) / 0: 自動チェックしない"));
  return line;
}

bool read_interval_line(const QLineEdit* line, bool empty_allowed,
                        std::optional<int32_t>& minutes) {
  const std::string text = line->text().trimmed().toStdString();
  if (text.empty()) {
    minutes = empty_allowed ? std::nullopt : std::optional<int32_t>(0);
    return true;
  }
  const std::optional<int32_t> parsed = app_options::parse_interval(text);
  if (!parsed) return false;
  minutes = parsed;
  return true;
}

bool validate_interval_line(QWidget* page, QLineEdit* line, bool empty_allowed) {
  std::optional<int32_t> minutes;
  if (read_interval_line(line, empty_allowed, minutes)) return true;
  QMessageBox::warning(page, QStringLiteral("Kestrelscan"),
                       QStringLiteral("チェック間隔は 15m (分)、2h (時間)、1d (日)、1w (週) "
                                      "のように入力してください (最長 1年)。"));
  line->setFocus();
  line->selectAll();
  return false;
}

}  // namespace ks::gui
