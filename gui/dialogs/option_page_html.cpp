// "HTML": the result report: buttons between headings, links in new
// windows, and three pieces of the user's own HTML (at most 2,000 bytes each)
// for the head and the start and end of the body.
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "gui/dialogs/options_pages.h"

namespace ks::gui {
namespace {

class HtmlPage final : public OptionPage {
 public:
  explicit HtmlPage(app_options::Options& o) : OptionPage(o) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bind_.check(QStringLiteral("見出しの間を移動するボタンを表示する"),
                                  &o.use_html_move_button));
    layout->addWidget(
        bind_.check(QStringLiteral("リンクを新しいウィンドウで開く"), &o.use_html_link_open_new));
    layout->addWidget(bind_.check(QStringLiteral("カスタムHTMLを使用する"), &o.use_custom_html));
    const std::pair<const char*, std::string*> parts[] = {
        {"<head>内", &o.custom_html_head},
        {"<body>の先頭", &o.custom_html_body_top},
        {"<body>の末尾", &o.custom_html_body_bottom}};
    for (const auto& [title, field] : parts) {
      QPlainTextEdit* edit = bind_.text(field, app_options::kCustomHtmlCapacity - 1);
      edit->setFixedHeight(edit->fontMetrics().lineSpacing() * 4 + 12);
      layout->addWidget(caption(QString::fromUtf8(title), edit));
      layout->addWidget(edit);
    }
    layout->addStretch(1);
  }
};

}  // namespace

SheetPage* make_html_page(app_options::Options& o, const OptionsEnv&) {
  return new HtmlPage(o);
}

}  // namespace ks::gui
