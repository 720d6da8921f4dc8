// Driving modal dialogs from a test: a script of steps, each waiting for a
// visible top-level widget of a given object name and then acting on it,
// run while the code under test sits in the dialog's exec(). A dialog that
// is still open after the deadline is rejected, so a failed step ends the
// test instead of hanging it. Also small finders for the controls of a page.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <deque>
#include <functional>
#include <memory>

namespace ks::test {

class DialogScript {
 public:
  using Act = std::function<void(QDialog*)>;
  // Adds a step: when a dialog named `name` (its object name, or else its
  // title) is shown, `act` runs once.
  DialogScript& then(const QString& name, Act act) {
    steps_->push_back({name, std::move(act)});
    return *this;
  }
  // Runs `open` (which returns when its dialogs have closed) with the steps.
  // True when every step ran.
  bool run(const std::function<void()>& open, int deadline_ms = 120000) {
    QTimer timer;
    QElapsedTimer clock;
    clock.start();
    auto steps = steps_;
    // A step may open a dialog of its own and wait in it: the next step
    // then runs from inside it.
    QObject::connect(&timer, &QTimer::timeout, [&] {
      if (clock.elapsed() > deadline_ms) {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
        return;
      }
      if (steps->empty()) return;
      for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* d = qobject_cast<QDialog*>(w);
        if (!d || !d->isVisible()) continue;
        const QString& want = steps->front().name;
        if (d->objectName() != want && d->windowTitle() != want) continue;
        Act act = std::move(steps->front().act);
        steps->pop_front();
        act(d);
        return;
      }
    });
    timer.start(20);
    open();
    timer.stop();
    return steps->empty();
  }

 private:
  struct Step {
    QString name;
    Act act;
  };
  std::shared_ptr<std::deque<Step>> steps_ = std::make_shared<std::deque<Step>>();
};

template <class T>
T* named(QWidget* in, const char* name) {
  return in->findChild<T*>(QString::fromLatin1(name));
}

// The check box or button whose text is `text` (UTF-8).
template <class T = QAbstractButton>
T* with_text(QWidget* in, const char* text) {
  for (T* b : in->findChildren<T*>()) {
    if (b->text() == QString::fromUtf8(text)) return b;
  }
  return nullptr;
}

// The combo box that offers `item` (UTF-8).
inline QComboBox* offering(QWidget* in, const char* item) {
  for (QComboBox* c : in->findChildren<QComboBox*>()) {
    if (c->findText(QString::fromUtf8(item)) >= 0) return c;
  }
  return nullptr;
}

// Types `text` into the focused edit `w`, one key per character (QTest's
// own keyClicks takes Latin-1 only).
inline void type(QWidget* w, const QString& text) {
  for (QChar c : text) {
    if (c.unicode() < 0x80) {
      QTest::keyClick(w, c.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
}

// Replaces the text of an edit by typing.
inline void retype(QWidget* edit, const QString& text) {
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(edit, Qt::Key_Delete);
  type(edit, text);
}

// Clicks a button in its middle, a check box on its box (a wide check box's
// middle may lie past its caption, where a click does nothing).
inline void click(QAbstractButton* b) {
  QVERIFY(b);
  const QPoint at = qobject_cast<QCheckBox*>(b)
                        ? QPoint(std::min(8, b->width() / 2), b->height() / 2)
                        : b->rect().center();
  QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, at);
}

}  // namespace ks::test
