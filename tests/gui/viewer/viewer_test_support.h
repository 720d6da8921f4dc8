// Helpers of the viewer suites: Shift_JIS literals, batches, shown views.
#pragma once

#include <QTest>
#include <QWidget>
#include <memory>
#include <string>
#include <string_view>

#include "gui/viewer/result_view.h"
#include "platform/sjis.h"

namespace ks::gui::testing {

inline std::string sj(std::string_view utf8) {
  return utf8_to_sjis(utf8);
}

// One batch of plain text.
inline void write(present::Pane& pane, std::string_view text) {
  pane.begin();
  pane.write_text(text);
  pane.end();
}

// A view of `kind`, shown at `size` and laid out.
inline std::unique_ptr<QWidget> shown_view(ViewerKind kind, QSize size, ResultView** view) {
  *view = make_result_view(kind, nullptr);
  std::unique_ptr<QWidget> owner((*view)->widget());
  owner->resize(size);
  owner->show();
  if (!QTest::qWaitForWindowExposed(owner.get())) return nullptr;
  return owner;
}

}  // namespace ks::gui::testing
