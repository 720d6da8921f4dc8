#include "shell/message_prompt.h"

#include <QMessageBox>
#include <QPushButton>

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
    default: {
      box.setIcon(QMessageBox::Question);
      QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
      QPushButton* all = box.addButton(QStringLiteral("すべてはい(&A)"), QMessageBox::YesRole);
      QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
      QPushButton* none = box.addButton(QStringLiteral("すべていいえ(&O)"), QMessageBox::NoRole);
      QPushButton* cancel =
          box.addButton(QStringLiteral("キャンセル(&C)"), QMessageBox::RejectRole);
      box.setDefaultButton(default_no ? no : yes);
      box.setEscapeButton(cancel);
      box.exec();
      const QAbstractButton* b = box.clickedButton();
      if (b == yes) return store::Answer::kYes;
      if (b == all) return store::Answer::kYesToAll;
      if (b == no) return store::Answer::kNo;
      if (b == none) return store::Answer::kNoToAll;
      return store::Answer::kCancel;
    }
  }
}

void MessagePrompt::message(std::string_view title, std::string_view text) {
  QMessageBox box(owner_);
  box.setIcon(QMessageBox::Information);
  box.setWindowTitle(from_sjis(title));
  box.setText(from_sjis(text));
  box.exec();
}

void MessagePrompt::status(std::string_view text) {
  if (status_) status_(from_sjis(text));
}

}  // namespace ks::gui
