// One desktop app per data folder: the first start listens on a local
// socket named after its base folder (and the user); a later start on the
// same data folder reaches it, asks it to come forward and ends without
// doing anything else. The data-folder lock (app/data_folder_lock.h) keeps
// the rule against CLI processes too; the socket only finds the window.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <string>

namespace ks::gui {

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  explicit SingleInstance(QObject* parent = nullptr);

  // The socket name for a base folder (Shift_JIS path ending in '/').
  static QString name_for(const std::string& base_folder);
  // Asks a running instance to come forward; true when one answered within
  // `timeout_ms`.
  static bool activate_running(const QString& name, int timeout_ms);

  // Listens for later starts (a stale socket left by a crash is replaced).
  bool listen(const QString& name);

 Q_SIGNALS:
  void activate_requested();

 private:
  QLocalServer server_;
};

}  // namespace ks::gui
