// "NGワード" (lines holding one are dropped, with the NG area around the
// first word) and "抽出ワード" (only lines holding one are kept): ten words
// of at most 64 bytes each and the regular-expression flag.
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include "gui/dialogs/page_sheet.h"
#include "gui/dialogs/page_sheet_pages.h"

namespace ks::gui {
namespace {

using store::BulkField;

class WordsPage final : public FormPage {
 public:
  WordsPage(SheetState& s, bool ng) : FormPage(s, true) {
    store::PageSettings& v = s.values();
    auto* layout = new QVBoxLayout(this);
    auto* words = new QGridLayout;
    layout->addLayout(words);
    PageGrid& g = grid(words);
    auto& list = ng ? v.ng_words : v.ok_words;
    const QString head = ng ? QStringLiteral("NGワード") : QStringLiteral("抽出ワード");
    for (int i = 0; i < store::kWordCount; ++i) {
      QLineEdit* edit = bind_.line(&list[static_cast<std::size_t>(i)], store::kWordCapacity - 1);
      edit->setObjectName(QStringLiteral("word%1").arg(i));
      edit->setMinimumWidth(320);
      g.row(ng ? store::ng_word_field(i) : store::ok_word_field(i),
            {caption(QStringLiteral("%1%2").arg(head).arg(i + 1), edit), edit}, true);
    }
    // The item keeps its own regular-expression flags under a template.
    g.row(ng ? BulkField::kUseRegexpNgWord : BulkField::kUseRegexpOkWord,
          {bind_.check(QStringLiteral("正規表現を使用する"),
                       ng ? &v.use_regexp_ngword : &v.use_regexp_okword)},
          false);
    if (ng) {
      // The area's flag and its two counts change together.
      auto* area = new QWidget;
      auto* lines = new QVBoxLayout(area);
      lines->setContentsMargins(0, 0, 0, 0);
      lines->addWidget(
          bind_.check(QStringLiteral("NGエリアを使用する(先頭のNGワードに適用)"), &v.ngarea_use));
      auto* counts = new QHBoxLayout;
      lines->addLayout(counts);
      QSpinBox* before = bind_.spin(0, 10, &v.ngarea_before);
      QSpinBox* after = bind_.spin(0, 10, &v.ngarea_after);
      counts->addWidget(caption(QStringLiteral("NGワードの前"), before));
      counts->addWidget(before);
      counts->addWidget(caption(QStringLiteral("行から後"), after));
      counts->addWidget(after);
      counts->addWidget(caption(QStringLiteral("行")));
      counts->addStretch(1);
      g.row(BulkField::kNgArea, {area}, true);
    }
    layout->addStretch(1);
  }
};

}  // namespace

SheetPage* make_ng_words_page(SheetState& state) {
  return new WordsPage(state, true);
}

SheetPage* make_ok_words_page(SheetState& state) {
  return new WordsPage(state, false);
}

}  // namespace ks::gui
