#include "schedule/notifier.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace ks::gui {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
constexpr int kNamesShown = 3;

}  // namespace

NoticeText run_notice_text(int updated, int errors, const QStringList& updated_names,
                           bool with_errors) {
  NoticeText t;
  QStringList body;
  if (updated > 0) {
    t.summary = QStringLiteral("%1 件の更新がありました。").arg(updated);
    QStringList names = updated_names.mid(0, kNamesShown);
    QString line = names.join(QStringLiteral("、"));
    if (updated_names.size() > kNamesShown) line += QStringLiteral(" ほか");
    if (!line.isEmpty()) body << line;
  }
  if (with_errors && errors > 0) {
    const QString e = QStringLiteral("エラーが %1 件ありました。").arg(errors);
    if (t.summary.isEmpty()) {
      t.summary = e;
    } else {
      body << e;
    }
  }
  t.body = body.join(QLatin1Char('\n'));
  return t;
}

DesktopNotifier::DesktopNotifier(QObject* parent) : QObject(parent) {}

QDBusConnection& DesktopNotifier::bus() const {
  if (!bus_) bus_ = QDBusConnection::sessionBus();
  return *bus_;
}

bool DesktopNotifier::available() const {
  if (!bus().isConnected()) return false;
  const QDBusConnectionInterface* daemon = bus().interface();
  return daemon && daemon->isServiceRegistered(kService).value();
}

bool DesktopNotifier::notify(const NoticeText& text) {
  if (text.summary.isEmpty() || !available()) return false;
  if (!listening_) {
    listening_ = bus().connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                               SLOT(action_invoked(uint, QString)));
  }
  QDBusMessage call =
      QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
  QVariantMap hints;
  if (!desktop_entry_.isEmpty()) hints.insert(QStringLiteral("desktop-entry"), desktop_entry_);
  call << QStringLiteral("Kestrelscan") << uint{0} << QStringLiteral("kestrelscan") << text.summary
       << text.body << QStringList{QStringLiteral("default"), QStringLiteral("開く")} << hints
       << int{-1};
  auto* watcher = new QDBusPendingCallWatcher(bus().asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    const QDBusPendingReply<uint> reply = *w;
    if (!reply.isError()) ids_.insert(reply.value());
    w->deleteLater();
  });
  return true;
}

void DesktopNotifier::action_invoked(uint id, const QString& key) {
  // The service sends every program's actions to every listener.
  if (!ids_.contains(id)) return;
  if (key == QStringLiteral("default")) Q_EMIT activated();
}

}  // namespace ks::gui
