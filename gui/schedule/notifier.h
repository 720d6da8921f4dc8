// Desktop notifications through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus, QtDBus). One notice per
// call, with a default action; when the user clicks it the service sends
// ActionInvoked and activated() is emitted. When there is no session bus or
// no service on it nothing is sent and notify() says so, so the caller can
// fall back on the tray balloon. Calls are asynchronous: the UI thread never
// waits on the bus. UI thread only.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

namespace ks::gui {

// "3 件の更新がありました。" and, on the next line, the first item names
// (at most three, then " ほか"), for a run's updated items; with errors
// (and `with_errors`) the error count follows. Empty summary: nothing to say.
struct NoticeText {
  QString summary;
  QString body;
};
NoticeText run_notice_text(int updated, int errors, const QStringList& updated_names,
                           bool with_errors);

class DesktopNotifier : public QObject {
  Q_OBJECT

 public:
  // The session bus is opened at the first notice, not before: a desktop
  // without one must not have a bus started for it at start-up.
  explicit DesktopNotifier(QObject* parent = nullptr);

  // The desktop entry the notices name (the app's id), so the desktop can
  // show its icon and group them; empty: none.
  void set_desktop_entry(const QString& id) { desktop_entry_ = id; }
  // Whether a notification service is there now.
  bool available() const;
  // Sends one notice; false when no service is there (nothing was sent).
  bool notify(const NoticeText& text);

 Q_SIGNALS:
  // The user clicked one of our notices.
  void activated();

 private Q_SLOTS:
  void action_invoked(uint id, const QString& key);

 private:
  QDBusConnection& bus() const;

  mutable std::optional<QDBusConnection> bus_;
  bool listening_ = false;
  QString desktop_entry_;
  QSet<uint> ids_;  // notices sent, as the service numbered them
};

}  // namespace ks::gui
