// "ﾌｫﾝﾄ･色": the result panes' font and colours (section FONT): text and
// background, links, the two highlight colours, the headings of the three
// importances, link underlining and the line height.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>
#include <vector>

#include "gui/dialogs/options_pages.h"
#include "gui/dialogs/style_buttons.h"

namespace ks::gui {
namespace {

class FontPage final : public OptionPage {
 public:
  explicit FontPage(app_options::Options& o) : OptionPage(o) {
    auto* layout = new QVBoxLayout(this);
    auto* text = new QGroupBox(QStringLiteral("文字"));
    auto* tg = new QGridLayout(text);
    font_ = new FontButton(o.font);
    font_->setObjectName(QStringLiteral("font"));
    tg->addWidget(caption(QStringLiteral("フォント"), font_), 0, 0);
    tg->addWidget(option_row({font_}), 0, 1, 1, 3);
    tg->addWidget(caption(QStringLiteral("文字色")), 1, 0);
    tg->addWidget(color(&o.font.color), 1, 1);
    tg->addWidget(caption(QStringLiteral("背景色")), 1, 2);
    tg->addWidget(color(&o.font.back_color), 1, 3);
    QSpinBox* height = bind_.spin(100, 200, &o.line_height);
    tg->addWidget(caption(QStringLiteral("行間の高さ"), height), 2, 0);
    tg->addWidget(option_row({height, caption(QStringLiteral("%"))}), 2, 1, 1, 3);
    tg->setColumnStretch(4, 1);
    layout->addWidget(text);

    auto* links = new QGroupBox(QStringLiteral("リンクとハイライト"));
    auto* lg = new QGridLayout(links);
    lg->addWidget(caption(QStringLiteral("リンク")), 0, 0);
    lg->addWidget(color(&o.link_color), 0, 1);
    lg->addWidget(caption(QStringLiteral("開いたリンク")), 0, 2);
    lg->addWidget(color(&o.link_opened_color), 0, 3);
    lg->addWidget(bind_.check(QStringLiteral("リンクに下線を引く"), &o.use_link_underline), 0, 4);
    lg->addWidget(caption(QStringLiteral("ハイライト１")), 1, 0);
    lg->addWidget(color(&o.highlight_color), 1, 1);
    lg->addWidget(caption(QStringLiteral("ハイライト２")), 1, 2);
    lg->addWidget(color(&o.highlight_color1), 1, 3);
    lg->setColumnStretch(5, 1);
    layout->addWidget(links);

    auto* heads = new QGroupBox(QStringLiteral("見出し"));
    auto* hg = new QGridLayout(heads);
    hg->addWidget(bind_.check(QStringLiteral("見出しの色を変える"), &o.use_midashi_color), 0, 0, 1,
                  4);
    hg->addWidget(
        bind_.check(QStringLiteral("重要なサイトの見出しの色を変える"), &o.use_midashi_color1), 1,
        0, 1, 4);
    const char* columns[] = {"背景", "文字", "リンク"};
    for (int c = 0; c < 3; ++c) hg->addWidget(caption(QString::fromUtf8(columns[c])), 2, c + 1);
    const char* rows[] = {"重要度（普通）", "重要度（中）", "重要度（高）"};
    for (std::size_t r = 0; r < 3; ++r) {
      const int row = static_cast<int>(r) + 3;
      hg->addWidget(caption(QString::fromUtf8(rows[r])), row, 0);
      hg->addWidget(color(&o.midashi_back_color[r]), row, 1);
      hg->addWidget(color(&o.midashi_color[r]), row, 2);
      hg->addWidget(color(&o.midashi_link_color[r]), row, 3);
    }
    hg->setColumnStretch(4, 1);
    layout->addWidget(heads);
    layout->addStretch(1);
  }

  void apply() override {
    OptionPage::apply();
    font_->store(o_.font);
    for (const auto& [button, field] : colors_) *field = button->value();
  }

 private:
  ColorButton* color(int32_t* field) {
    auto* b = new ColorButton(*field, &o_.custom_colors);
    colors_.emplace_back(b, field);
    return b;
  }

  FontButton* font_;
  std::vector<std::pair<ColorButton*, int32_t*>> colors_;
};

}  // namespace

SheetPage* make_font_page(app_options::Options& o, const OptionsEnv&) {
  return new FontPage(o);
}

}  // namespace ks::gui
