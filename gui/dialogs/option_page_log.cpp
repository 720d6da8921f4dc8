// "ﾛｸﾞ表示": how results are shown in the panes.
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include "gui/dialogs/options_pages.h"

namespace ks::gui {
namespace {

class LogPage final : public OptionPage {
 public:
  explicit LogPage(app_options::Options& o) : OptionPage(o) {
    auto* layout = new QVBoxLayout(this);
    QSpinBox* reload = bind_.spin(1, 24, &o.n_reload);
    QSpinBox* lines = bind_.spin(1, 2000, &o.max_disp_line);
    QSpinBox* days = bind_.spin(0, 999, &o.nochange_days);
    layout->addWidget(
        option_row({caption(QStringLiteral("リロード時の過去ログ表示数"), reload), reload}));
    layout->addWidget(option_row({caption(QStringLiteral("差分の最大表示行数"), lines), lines}));
    layout->addWidget(
        bind_.check(QStringLiteral("更新がない時にメッセージを表示する"), &o.nochange_msg));
    layout->addWidget(option_row(
        {bind_.check(QStringLiteral("最終更新からの経過時間を表示する"), &o.disp_nochange_time),
         days, caption(QStringLiteral("日以上更新がない時だけ表示する"), days)}));
    layout->addWidget(
        bind_.check(QStringLiteral("常にチェックした日時を表示する"), &o.disp_check_date));
    layout->addWidget(bind_.check(QStringLiteral("サイト名をフルパス表示する"), &o.disp_full_path));
    layout->addWidget(bind_.check(QStringLiteral("代替テキストのない画像のファイル名を表示する"),
                                  &o.disp_image_name));
    layout->addWidget(bind_.check(QStringLiteral("画像をリンクとして表示する"), &o.image_link));
    layout->addWidget(
        bind_.check(QStringLiteral("確認時にHTMLタグをそのまま表示する"), &o.show_html_tag));
    layout->addWidget(
        bind_.check(QStringLiteral("HTTPリダイレクトの過程を表示する"), &o.disp_http_redirect));
    layout->addWidget(
        bind_.check(QStringLiteral("メッセージにも見出しジャンプする"), &o.jump_to_msg));
    layout->addWidget(
        option_row({bind_.check(QStringLiteral("独自ビューアを使用する"), &o.use_viewer),
                    caption(QStringLiteral("(次回起動時から有効)"))}));
    layout->addStretch(1);
  }
};

}  // namespace

SheetPage* make_log_page(app_options::Options& o, const OptionsEnv&) {
  return new LogPage(o);
}

}  // namespace ks::gui
