#include "gui/viewer/result_view.h"

#include <QMetaMethod>

namespace ks::gui {

bool ResultViewEvents::routes_tab() const {
  return isSignalConnected(QMetaMethod::fromSignal(&ResultViewEvents::tabPressed));
}

QString pane_name(int index) {
  switch (index) {
    case 0:
      return QStringLiteral("一括ログ");
    case 1:
      return QStringLiteral("エラー");
    case 2:
      return QStringLiteral("個別ログ");
    default:
      return {};
  }
}

}  // namespace ks::gui
