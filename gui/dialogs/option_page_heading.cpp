// "見出し": the heading templates of the three importances (multi-line, at
// most 250 bytes each) and the list of their placeholders.
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "gui/dialogs/options_pages.h"

namespace ks::gui {
namespace {

class HeadingPage final : public OptionPage {
 public:
  explicit HeadingPage(app_options::Options& o) : OptionPage(o) {
    auto* layout = new QVBoxLayout(this);
    const char* titles[] = {"重要度（普通）", "重要度（中）", "重要度（高）"};
    for (std::size_t i = 0; i < 3; ++i) {
      QPlainTextEdit* edit = bind_.text(&o.headers[i], app_options::kHeaderCapacity - 1);
      edit->setObjectName(QStringLiteral("header%1").arg(i));
      edit->setFixedHeight(edit->fontMetrics().lineSpacing() * 3 + 12);
      layout->addWidget(caption(QString::fromUtf8(titles[i]), edit));
      layout->addWidget(edit);
    }
    auto* help = new QGroupBox(QStringLiteral("使用できる文字列"));
    auto* hl = new QVBoxLayout(help);
    for (const char* line :
         {"%link; ウェブページへのリンク", "%date; 最終更新日またはチェックした日付",
          "%time; 最終更新日またはチェックした時刻", "%config; 設定プロパティシート表示用リンク",
          "%comment; ウェブページのコメント"}) {
      hl->addWidget(new QLabel(QString::fromUtf8(line)));
    }
    layout->addWidget(help);
    layout->addStretch(1);
  }
};

}  // namespace

SheetPage* make_heading_page(app_options::Options& o, const OptionsEnv&) {
  return new HeadingPage(o);
}

}  // namespace ks::gui
