#include "shell/splash.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

#include "shell/icons.h"

namespace ks::gui {

Splash::Splash()
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      line_(new QLabel(this)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowIcon(app_icon());
  auto* banner = new QLabel(QStringLiteral("Kestrelscan v" KS_VERSION), this);
  QFont big = banner->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  banner->setFont(big);
  auto* icon = new QLabel(this);
  icon->setPixmap(app_icon().pixmap(48, 48));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 20, 24, 20);
  layout->addWidget(icon, 0, Qt::AlignHCenter);
  layout->addWidget(banner, 0, Qt::AlignHCenter);
  layout->addWidget(line_, 0, Qt::AlignHCenter);
  set_line(QStringLiteral("起動しています..."));
  setMinimumWidth(320);
  setStyleSheet(
      QStringLiteral("Splash { background: palette(base); border: 1px solid palette(mid); }"));
  tick_.setInterval(200);
  connect(&tick_, &QTimer::timeout, this, [this] {
    if (finished_) close();
  });
  tick_.start();
}

void Splash::set_line(const QString& text) {
  line_->setText(text);
  // Start-up runs on this thread: let the new line reach the screen.
  line_->repaint();
}

QString Splash::line() const {
  return line_->text();
}

void Splash::mousePressEvent(QMouseEvent*) {
  close();
}

}  // namespace ks::gui
