// "その他": the browser, the history of opened links, kept result files,
// keeping the focus after opening a link, the notification area, the order
// of importance and the data folder (which takes effect at the next start).
#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "gui/dialogs/options_pages.h"
#include "gui/dialogs/text_limits.h"

namespace ks::gui {
namespace {

class OtherPage final : public OptionPage {
 public:
  explicit OtherPage(app_options::Options& o) : OptionPage(o) {
    auto* layout = new QVBoxLayout(this);
    QLineEdit* browser = bind_.line(&o.browser, app_options::kOptionPathCapacity - 1);
    browser->setMinimumWidth(240);
    layout->addWidget(bind_.check(QStringLiteral("標準以外のブラウザを使用する"), &o.use_browser));
    layout->addWidget(option_row({browser, browse_button(browser, false)}));
    QSpinBox* focus = bind_.spin(1, 9, &o.stay_focus_time);
    layout->addWidget(option_row({bind_.check(QStringLiteral("リンクを開いてから"), &o.stay_focus),
                                  focus, caption(QStringLiteral("秒間はフォーカスを維持する"))}));
    layout->addWidget(bind_.check(QStringLiteral("開いたリンクの履歴を保存する"), &o.save_history));
    layout->addWidget(
        bind_.check(QStringLiteral("ブラウザで開いた結果のファイルを残す"), &o.save_result_file));
    layout->addWidget(bind_.check(QStringLiteral("タスクトレイに常駐する"), &o.stay_task_tray));
    layout->addWidget(
        bind_.check(QStringLiteral("重要度順にチェックおよび表示を行う"), &o.use_site_priority));

    auto* data_box = new QGroupBox(QStringLiteral("データの保存先"));
    auto* dg = new QVBoxLayout(data_box);
    QCheckBox* custom =
        bind_.check(QStringLiteral("データの保存先を指定する"), &o.use_custom_data_folder);
    custom->setObjectName(QStringLiteral("use_custom_data_folder"));
    QLineEdit* folder = bind_.line(&o.custom_data_folder, app_options::kOptionPathCapacity - 1);
    folder->setObjectName(QStringLiteral("custom_data_folder"));
    folder->setMinimumWidth(240);
    dg->addWidget(custom);
    dg->addWidget(option_row({folder, browse_button(folder, true)}));
    layout->addWidget(data_box);
    layout->addStretch(1);
    connect(custom, &QCheckBox::toggled, this, [this](bool on) {
      if (on) tell_next_start();
    });
  }

 private:
  QPushButton* browse_button(QLineEdit* edit, bool data_folder) {
    auto* b = new QPushButton(QStringLiteral("参照..."));
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this, edit, data_folder] {
      const QString chosen =
          data_folder
              ? QFileDialog::getExistingDirectory(
                    this, QStringLiteral("データの保存先フォルダを指定してください。"),
                    edit->text())
              : QFileDialog::getOpenFileName(this, QStringLiteral("ブラウザ"), edit->text());
      if (chosen.isEmpty() || sjis_bytes(chosen) >= app_options::kOptionPathCapacity) return;
      edit->setText(chosen);
      if (data_folder) tell_next_start();
    });
    return b;
  }

  void tell_next_start() {
    QMessageBox::information(
        this, QStringLiteral("データ保存先フォルダ変更の確認"),
        QStringLiteral("データ保存先フォルダの変更は次回起動時から有効になります。"));
  }
};

}  // namespace

SheetPage* make_other_options_page(app_options::Options& o, const OptionsEnv&) {
  return new OtherPage(o);
}

}  // namespace ks::gui
