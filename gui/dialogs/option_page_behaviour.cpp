// "動作": what happens at start-up (with the note that command-line options
// can turn it off) and at the end of a check run.
#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/dialogs/options_pages.h"
#include "gui/dialogs/text_limits.h"

namespace ks::gui {
namespace {

class BehaviourPage final : public OptionPage {
 public:
  explicit BehaviourPage(app_options::Options& o) : OptionPage(o) {
    auto* layout = new QVBoxLayout(this);
    auto* start = new QGroupBox(QStringLiteral("起動時"));
    auto* sg = new QVBoxLayout(start);
    sg->addWidget(bind_.check(QStringLiteral("起動時に一括チェックを行う"), &o.startup_check));
    sg->addWidget(bind_.check(QStringLiteral("最小化した状態で起動する"), &o.start_minimized));
    sg->addWidget(bind_.check(QStringLiteral("起動画面を表示しない"), &o.disable_startup_window));
    sg->addWidget(new QLabel(QStringLiteral("※コマンドラインオプションで無効にできます。")));
    layout->addWidget(start);

    auto* end = new QGroupBox(QStringLiteral("チェック完了時"));
    auto* eg = new QVBoxLayout(end);
    eg->addWidget(
        bind_.check(QStringLiteral("更新・エラーがあればメッセージを表示する"), &o.finish_message));
    eg->addWidget(
        bind_.check(QStringLiteral("常にメッセージを表示する"), &o.always_finish_message));
    QLineEdit* sound = bind_.line(&o.notify_sound, app_options::kOptionPathCapacity - 1);
    sound->setMinimumWidth(240);
    auto* choose = new QPushButton(QStringLiteral("参照..."));
    choose->setAutoDefault(false);
    connect(choose, &QPushButton::clicked, this, [this, sound] {
      const QString file =
          QFileDialog::getOpenFileName(this, QStringLiteral("サウンドファイル"), sound->text(),
                                       QStringLiteral("サウンドファイル (*.wav)"));
      if (!file.isEmpty() && sjis_bytes(file) < app_options::kOptionPathCapacity) {
        sound->setText(file);
      }
    });
    eg->addWidget(
        option_row({bind_.check(QStringLiteral("チェック完了時に音を鳴らす"), &o.use_notify_sound),
                    sound, choose}));
    eg->addWidget(
        bind_.check(QStringLiteral("更新があれば結果をブラウザで開く"), &o.auto_open_browser_view));
    eg->addWidget(bind_.check(QStringLiteral("更新・エラーがあればウィンドウを元の大きさに戻す"),
                              &o.show_on_change));
    eg->addWidget(
        bind_.check(QStringLiteral("更新・エラーがなければプログラムを終了する"), &o.auto_close));
    eg->addWidget(bind_.check(QStringLiteral("常にプログラムを終了する"), &o.force_close));
    layout->addWidget(end);
    layout->addStretch(1);
  }
};

}  // namespace

SheetPage* make_behaviour_page(app_options::Options& o, const OptionsEnv&) {
  return new BehaviourPage(o);
}

}  // namespace ks::gui
