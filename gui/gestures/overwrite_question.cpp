#include "gui/gestures/overwrite_question.h"

#include <QMessageBox>
#include <QPushButton>

namespace ks::gui {

store::Answer ask_overwrite(QWidget* owner, const QString& title, const QString& text,
                            bool default_no) {
  QMessageBox box(owner);
  box.setObjectName(QStringLiteral("overwrite_question"));
  box.setIcon(QMessageBox::Question);
  box.setWindowTitle(title);
  box.setText(text);
  struct Choice {
    const char* caption;
    const char* name;
    QMessageBox::ButtonRole role;
    store::Answer answer;
  };
  static constexpr Choice kChoices[] = {
      {"はい(&Y)", "overwrite_yes", QMessageBox::YesRole, store::Answer::kYes},
      {"すべてはい(&A)", "overwrite_all", QMessageBox::YesRole, store::Answer::kYesToAll},
      {"いいえ(&N)", "overwrite_no", QMessageBox::NoRole, store::Answer::kNo},
      {"すべていいえ(&O)", "overwrite_none", QMessageBox::NoRole, store::Answer::kNoToAll},
      {"キャンセル(&C)", "overwrite_cancel", QMessageBox::RejectRole, store::Answer::kCancel},
  };
  QPushButton* buttons[std::size(kChoices)] = {};
  for (std::size_t i = 0; i < std::size(kChoices); ++i) {
    buttons[i] = box.addButton(QString::fromUtf8(kChoices[i].caption), kChoices[i].role);
    buttons[i]->setObjectName(QString::fromLatin1(kChoices[i].name));
  }
  box.setDefaultButton(default_no ? buttons[2] : buttons[0]);
  box.setEscapeButton(buttons[4]);
  box.exec();
  for (std::size_t i = 0; i < std::size(kChoices); ++i) {
    if (box.clickedButton() == buttons[i]) return kChoices[i].answer;
  }
  return store::Answer::kCancel;
}

}  // namespace ks::gui
