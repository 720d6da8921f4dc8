// "ﾊｲﾗｲﾄ": keyword highlighting with two groups of ten keywords of at most
// 64 bytes each ("ハイライト１" for HIGHLIGHT0-9, "ハイライト２" for 10-19).
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "gui/dialogs/options_pages.h"

namespace ks::gui {
namespace {

class HighlightPage final : public OptionPage {
 public:
  explicit HighlightPage(app_options::Options& o) : OptionPage(o) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        bind_.check(QStringLiteral("キーワードのハイライト機能を使用する"), &o.use_highlight));
    auto* groups = new QHBoxLayout;
    layout->addLayout(groups);
    for (int g = 0; g < 2; ++g) {
      auto* box =
          new QGroupBox(g == 0 ? QStringLiteral("ハイライト１") : QStringLiteral("ハイライト２"));
      auto* words = new QVBoxLayout(box);
      for (int i = 0; i < 10; ++i) {
        const auto slot = static_cast<std::size_t>(g * 10 + i);
        QLineEdit* edit = bind_.line(&o.highlights[slot], app_options::kHighlightCapacity - 1);
        edit->setObjectName(QStringLiteral("highlight%1").arg(slot));
        words->addWidget(edit);
      }
      groups->addWidget(box);
    }
    layout->addStretch(1);
  }
};

}  // namespace

SheetPage* make_highlight_page(app_options::Options& o, const OptionsEnv&) {
  return new HighlightPage(o);
}

}  // namespace ks::gui
