// The notification-area icon: tooltip "Kestrelscan", the normal and busy
// images, a double-click that restores the window, and the right-click menu
// (start or stop a check, restore the window, quit). Whether a tray host
// exists is the desktop's business: without one the icon is never shown,
// and the window must not hide itself (available() says which).
#pragma once

#include <QObject>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace ks::gui {

class TrayIcon : public QObject {
  Q_OBJECT

 public:
  explicit TrayIcon(QObject* parent);
  ~TrayIcon() override;

  // A tray host is there to show the icon.
  static bool available();

  void set_busy(bool busy);
  bool busy() const { return busy_; }
  // "元の大きさに戻す" is offered only while the window is hidden.
  void set_window_visible(bool visible);
  void show_message(const QString& title, const QString& text);
  QString check_caption() const;

 Q_SIGNALS:
  void check_toggled();  // 32771: start a check, or stop the running one
  void restore();        // 32829 and a double-click
  void quit();           // 105

 private:
  QSystemTrayIcon* icon_;
  QMenu* menu_;
  QAction* check_;
  QAction* restore_;
  bool busy_ = false;
};

}  // namespace ks::gui
