// "ﾂﾘｰ表示": the tree's own font and colours (section TREEFONT), automatic
// sorting and the item counts beside groups.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "gui/dialogs/options_pages.h"
#include "gui/dialogs/style_buttons.h"

namespace ks::gui {
namespace {

class TreePage final : public OptionPage {
 public:
  explicit TreePage(app_options::Options& o) : OptionPage(o) {
    auto* layout = new QVBoxLayout(this);
    auto* look = new QGroupBox(QStringLiteral("フォントと色"));
    auto* lg = new QGridLayout(look);
    font_ = new FontButton(o.tree_font);
    text_ = new ColorButton(o.tree_font.color, &o.custom_colors);
    back_ = new ColorButton(o.tree_font.back_color, &o.custom_colors);
    lg->addWidget(bind_.check(QStringLiteral("フォントを指定する"), &o.treeview_use_custom_font), 0,
                  0);
    lg->addWidget(option_row({font_}), 0, 1, 1, 4);
    lg->addWidget(bind_.check(QStringLiteral("色を指定する"), &o.treeview_use_custom_color), 1, 0);
    lg->addWidget(caption(QStringLiteral("文字色")), 1, 1);
    lg->addWidget(text_, 1, 2);
    lg->addWidget(caption(QStringLiteral("背景色")), 1, 3);
    lg->addWidget(back_, 1, 4);
    lg->setColumnStretch(5, 1);
    layout->addWidget(look);
    layout->addWidget(
        bind_.check(QStringLiteral("ツリー表示を自動的に並べ替える"), &o.auto_tree_sort));
    layout->addWidget(bind_.check(QStringLiteral("グループ内のアイテム数を表示する"),
                                  &o.treeview_disp_item_count));
    layout->addStretch(1);
  }

  void apply() override {
    OptionPage::apply();
    font_->store(o_.tree_font);
    o_.tree_font.color = text_->value();
    o_.tree_font.back_color = back_->value();
  }

 private:
  FontButton* font_;
  ColorButton* text_;
  ColorButton* back_;
};

}  // namespace

SheetPage* make_tree_page(app_options::Options& o, const OptionsEnv&) {
  return new TreePage(o);
}

}  // namespace ks::gui
