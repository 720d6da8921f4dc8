#include "gui/viewer/result_view.h"

#include <QMetaMethod>
#include <new>

#include "gui/viewer/custom_viewer.h"
#include "gui/viewer/fallback_pane.h"

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

ResultView* make_result_view(ViewerKind kind, QWidget* parent) {
  try {
    if (kind == ViewerKind::kCustom) return new CustomViewer(parent);
    return new FallbackPane(parent);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

std::array<ResultView*, 3> make_result_views(const app_options::Options& options, QWidget* parent) {
  std::array<ResultView*, 3> views{};
  ViewerKind kind = options.use_viewer ? ViewerKind::kCustom : ViewerKind::kFallback;
  for (ResultView*& v : views) {
    v = make_result_view(kind, parent);
    if (!v && kind == ViewerKind::kCustom) break;
  }
  // All three panes are of one kind: when a custom viewer cannot be made,
  // every pane falls back.
  if (kind == ViewerKind::kCustom && !(views[0] && views[1] && views[2])) {
    for (ResultView*& v : views) {
      delete v;
      v = make_result_view(ViewerKind::kFallback, parent);
    }
  }
  const ViewerLook look = look_from_options(options);
  for (std::size_t i = 0; i < views.size(); ++i) {
    if (!views[i]) continue;
    views[i]->apply_look(look);
    views[i]->set_pane_name(pane_name(static_cast<int>(i)));
  }
  return views;
}

}  // namespace ks::gui
