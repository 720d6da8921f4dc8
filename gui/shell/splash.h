// The splash window shown while the app starts: the banner and one line
// telling what is being done. It closes itself at its first 200 ms tick
// after start-up is marked finished, or at once when clicked.
#pragma once

#include <QTimer>
#include <QWidget>

class QLabel;

namespace ks::gui {

class Splash : public QWidget {
  Q_OBJECT

 public:
  Splash();
  void set_line(const QString& text);
  QString line() const;
  // Start-up is done: close at the next tick.
  void finish() { finished_ = true; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QLabel* line_;
  QTimer tick_;
  bool finished_ = false;
};

}  // namespace ks::gui
