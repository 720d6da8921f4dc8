// Answers the modal dialogs a gesture opens, as the user would: each new
// modal widget is recorded (its message text, or its title) and handed to
// the script, which presses one of its buttons. The window's operations
// run modal loops on the UI thread, so the script runs from a timer inside
// those loops. Timers do not fire again while their own handler runs, so
// each action runs from a timer of its own.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <vector>

namespace ks::test {

class ModalScript {
 public:
  // `act` gets the dialog and how many dialogs came before it.
  using Act = std::function<void(QWidget* dialog, int index)>;
  explicit ModalScript(Act act) : act_(std::move(act)) {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start();
  }

  // The texts of the dialogs seen, in order.
  const std::vector<QString>& seen() const { return seen_; }

  // Presses the message box's button whose caption starts with `caption`
  // ("はい", "&Yes"...), or the button named `caption`.
  static void press(QWidget* dialog, const QString& caption) {
    for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>()) {
      const QString text = b->text().remove(QLatin1Char('&'));
      if (b->objectName() == caption || text.startsWith(caption)) {
        b->click();
        return;
      }
    }
  }
  // Presses a standard button (OK, Yes...) of a message box or a sheet.
  static void press(QWidget* dialog, QDialogButtonBox::StandardButton which) {
    if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
      if (QAbstractButton* b = box->button(static_cast<QMessageBox::StandardButton>(which))) {
        b->click();
      }
      return;
    }
    for (QDialogButtonBox* buttons : dialog->findChildren<QDialogButtonBox*>()) {
      if (QPushButton* b = buttons->button(which)) {
        b->click();
        return;
      }
    }
  }

 private:
  void poll() {
    QWidget* w = QApplication::activeModalWidget();
    if (!w || w == last_) return;
    last_ = w;
    auto* box = qobject_cast<QMessageBox*>(w);
    seen_.push_back(box ? box->text() : w->windowTitle());
    if (qEnvironmentVariableIsSet("KS_SCRIPT_DEBUG")) qDebug() << "modal" << seen_.back();
    // Acted on from a fresh timer, so that this one keeps polling while the
    // action's own modal loops (a message over a sheet) run.
    const int index = static_cast<int>(seen_.size()) - 1;
    QTimer::singleShot(0, &timer_, [this, w = QPointer<QWidget>(w), index] {
      if (w) act_(w, index);
    });
  }

  Act act_;
  QTimer timer_;
  QPointer<QWidget> last_;
  std::vector<QString> seen_;
};

}  // namespace ks::test
