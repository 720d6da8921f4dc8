#include "shell/single_instance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QLocalSocket>

namespace ks::gui {

namespace {
constexpr char kRequest[] = "activate\n";
constexpr char kAnswer[] = "ok\n";
}  // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* s = server_.nextPendingConnection()) {
      connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
      connect(s, &QLocalSocket::readyRead, this, [this, s] {
        if (!s->canReadLine()) return;
        if (s->readLine() != kRequest) return s->disconnectFromServer();
        s->write(kAnswer);
        s->flush();
        Q_EMIT activate_requested();
      });
    }
  });
}

QString SingleInstance::name_for(const std::string& base_folder) {
  const QByteArray digest = QCryptographicHash::hash(
      QByteArray(base_folder.data(), static_cast<qsizetype>(base_folder.size())),
      QCryptographicHash::Sha256);
  return QStringLiteral("kestrelscan-%1-%2")
      .arg(static_cast<qulonglong>(::getuid()))
      .arg(QString::fromLatin1(digest.toHex().left(24)));
}

bool SingleInstance::activate_running(const QString& name, int timeout_ms) {
  QLocalSocket s;
  s.connectToServer(name);
  if (!s.waitForConnected(timeout_ms)) return false;
  s.write(kRequest);
  if (!s.waitForBytesWritten(timeout_ms)) return false;
  while (!s.canReadLine()) {
    if (!s.waitForReadyRead(timeout_ms)) return false;
  }
  return s.readLine() == kAnswer;
}

bool SingleInstance::listen(const QString& name) {
  if (server_.listen(name)) return true;
  // We hold the data folder's lock, so whatever answers to this name is a
  // socket left by an instance that ended without closing it.
  QLocalServer::removeServer(name);
  return server_.listen(name);
}

}  // namespace ks::gui
