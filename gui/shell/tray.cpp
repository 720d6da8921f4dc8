#include "shell/tray.h"

#include <QMenu>
#include <QSystemTrayIcon>

#include "shell/icons.h"

namespace ks::gui {

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent), icon_(new QSystemTrayIcon(this)), menu_(new QMenu()) {
  check_ = menu_->addAction(QStringLiteral("チェック開始"));
  restore_ = menu_->addAction(QStringLiteral("元の大きさに戻す"));
  menu_->addSeparator();
  QAction* quit_action = menu_->addAction(QStringLiteral("終了"));
  connect(check_, &QAction::triggered, this, &TrayIcon::check_toggled);
  connect(restore_, &QAction::triggered, this, &TrayIcon::restore);
  connect(quit_action, &QAction::triggered, this, &TrayIcon::quit);
  icon_->setContextMenu(menu_);
  icon_->setToolTip(QStringLiteral("Kestrelscan"));
  icon_->setIcon(tray_icon(false));
  connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
    if (r == QSystemTrayIcon::DoubleClick) Q_EMIT restore();
  });
  // A tray host that appears later (a restarted panel) gets the icon too:
  // QSystemTrayIcon re-registers by itself once it is shown.
  icon_->show();
}

TrayIcon::~TrayIcon() {
  icon_->hide();
  delete menu_;
}

bool TrayIcon::available() {
  return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::set_busy(bool busy) {
  busy_ = busy;
  icon_->setIcon(tray_icon(busy));
  check_->setText(busy ? QStringLiteral("チェック停止") : QStringLiteral("チェック開始"));
}

void TrayIcon::set_window_visible(bool visible) {
  restore_->setEnabled(!visible);
}

void TrayIcon::show_message(const QString& title, const QString& text) {
  if (icon_->isVisible() && QSystemTrayIcon::supportsMessages()) {
    icon_->showMessage(title, text, QSystemTrayIcon::Information);
  }
}

QString TrayIcon::check_caption() const {
  return check_->text();
}

}  // namespace ks::gui
