#include "shell/message_prompt.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>

#include "gui/gestures/overwrite_question.h"
#include "shell/qt_text.h"

namespace ks::gui {

store::Answer MessagePrompt::ask(store::Question kind, std::string_view title,
                                 std::string_view text, bool default_no) {
  QMessageBox box(owner_);
  box.setWindowTitle(from_sjis(title));
  box.setText(from_sjis(text));
  switch (kind) {
    case store::Question::kYesNo: {
      box.setIcon(QMessageBox::Warning);
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(default_no ? QMessageBox::No : QMessageBox::Yes);
      return box.exec() == QMessageBox::Yes ? store::Answer::kYes : store::Answer::kNo;
    }
    case store::Question::kOkCancel: {
      box.setIcon(QMessageBox::Warning);
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      box.setDefaultButton(default_no ? QMessageBox::Cancel : QMessageBox::Ok);
      return box.exec() == QMessageBox::Ok ? store::Answer::kYes : store::Answer::kCancel;
    }
    case store::Question::kOverwrite:
    default:
      return ask_overwrite(owner_, from_sjis(title), from_sjis(text), default_no);
  }
}

void MessagePrompt::message(std::string_view title, std::string_view text) {
  QMessageBox box(owner_);
  // The refusals of paste and a failed deletion are errors; the rest
  // (including the system's own error texts) inform.
  const QString caption = from_sjis(title);
  const bool error =
      caption == QStringLiteral("Kestrelscanエラー") || caption == QStringLiteral("削除失敗");
  box.setIcon(error ? QMessageBox::Critical : QMessageBox::Information);
  box.setWindowTitle(caption);
  box.setText(from_sjis(text));
  box.exec();
}

void MessagePrompt::status(std::string_view text) {
  if (status_) status_(from_sjis(text));
  // The operations run on the UI thread: paint the text now, or it would
  // only show once the copy or move is over.
  if (auto* window = qobject_cast<QMainWindow*>(owner_.data())) window->statusBar()->repaint();
}

}  // namespace ks::gui
