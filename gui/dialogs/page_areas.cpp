// "更新確認範囲": the two check areas ("更新確認範囲１", "更新確認範囲２") and the
// two ignored areas ("更新無視範囲１", "更新無視範囲２"), each a start and an end
// text of at most 64 bytes with how each bound counts, and the
// regular-expression flag. Not a bulk page.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "gui/dialogs/page_sheet.h"
#include "gui/dialogs/page_sheet_pages.h"

namespace ks::gui {
namespace {

class AreasPage final : public FormPage {
 public:
  explicit AreasPage(SheetState& s) : FormPage(s, true) {
    store::PageSettings& v = s.values();
    auto* layout = new QVBoxLayout(this);
    area(layout, QStringLiteral("更新確認範囲１"), v.check_areas[0], true, 0);
    area(layout, QStringLiteral("更新確認範囲２"), v.check_areas[1], true, 1);
    area(layout, QStringLiteral("更新無視範囲１"), v.ignore_areas[0], false, 2);
    area(layout, QStringLiteral("更新無視範囲２"), v.ignore_areas[1], false, 3);
    auto* flags = new QGridLayout;
    layout->addLayout(flags);
    // The item keeps its own regular-expression flag under a template.
    grid(flags).row(std::nullopt,
                    {bind_.check(QStringLiteral("正規表現を使用する"), &v.use_regexp_check_area)},
                    false);
    layout->addStretch(1);
  }

 private:
  void area(QVBoxLayout* layout, const QString& title, store::AreaSetting& a, bool check, int n) {
    auto* box = new QGroupBox(title);
    layout->addWidget(box);
    auto* g = new QGridLayout(box);
    PageGrid& rows = grid(g);
    QLineEdit* start = bind_.line(&a.start, store::kWordCapacity - 1);
    start->setObjectName(QStringLiteral("area%1_start").arg(n));
    QLineEdit* end = bind_.line(&a.end, store::kWordCapacity - 1);
    end->setObjectName(QStringLiteral("area%1_end").arg(n));
    for (QLineEdit* e : {start, end}) e->setMinimumWidth(260);
    rows.row(
        std::nullopt,
        {start, bind_.choice({QStringLiteral("を含む行から"), QStringLiteral("を含む行の次から")},
                             &a.start_type)},
        true);
    rows.row(
        std::nullopt,
        {end, bind_.choice({QStringLiteral("を含む行まで"), QStringLiteral("を含む行の前まで")},
                           &a.end_type)},
        true);
    if (check) {
      rows.row(std::nullopt, {bind_.check(QStringLiteral("繰り返し適用する"), &a.repeat)}, true);
    }
  }
};

}  // namespace

SheetPage* make_areas_page(SheetState& state) {
  return new AreasPage(state);
}

}  // namespace ks::gui
