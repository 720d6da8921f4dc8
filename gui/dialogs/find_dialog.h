// The find dialog "検索" of the result panes: the text to find, the
// direction ("上へ" / "下へ") and "次を検索", which finds the next match in
// the current pane from the selection and selects it. The text is kept in
// the window's find state, so the "次を検索" command (F3, Shift+F3 backward)
// repeats it after the dialog has closed. Modeless: the user can go on
// reading the pane. UI thread.
#pragma once

#include <QDialog>
#include <functional>

#include "present/find_text.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ks::gui {

class ResultView;

class FindDialog : public QDialog {
  Q_OBJECT

 public:
  // `state` and the views `current_view` returns must outlive the dialog.
  FindDialog(QWidget* parent, present::FindState& state, std::function<ResultView*()> current_view);

  // Shows the dialog with the kept text selected.
  void open_for_search();
  // "次を検索": false when the text is not in the pane (the user is told).
  bool find_next();

  QLineEdit* text_edit() const { return text_; }
  QRadioButton* up_button() const { return up_; }

 private:
  present::FindState& state_;
  std::function<ResultView*()> view_;
  QLineEdit* text_;
  QRadioButton* up_;
  QRadioButton* down_;
  QPushButton* next_;
};

}  // namespace ks::gui
