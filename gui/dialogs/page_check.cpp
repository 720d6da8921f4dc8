// "チェック設定": fetching, text extraction and the difference options.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include "gui/dialogs/interval_edit.h"
#include "gui/dialogs/page_sheet.h"
#include "gui/dialogs/page_sheet_pages.h"

namespace ks::gui {
namespace {

using store::BulkField;

class CheckPage final : public FormPage {
 public:
  explicit CheckPage(SheetState& s) : FormPage(s, true) {
    store::PageSettings& v = s.values();
    auto* columns = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    PageGrid& fetch = group(left, QStringLiteral("取得"));
    flag(fetch, BulkField::kDontUseHead, "最終更新時刻を確認しない", &v.dont_use_head);
    flag(fetch, BulkField::kDisableHttpRedirect, "HTTPリダイレクトを行わない",
         &v.disable_http_redirect);
    flag(fetch, BulkField::kCheckByHttpHeader, "HTTPヘッダ情報のみでチェックする",
         &v.check_by_http_header);
    choice(fetch, BulkField::kCharsetSel, "文字コード設定",
           {"自動判別", "SHIFT-JIS", "JIS", "EUC", "UTF-8"}, &v.charset_sel);

    PageGrid& text = group(left, QStringLiteral("テキスト抽出"));
    choice(text, BulkField::kAsText, "解析モード", {"HTML解析", "ﾃｷｽﾄのまま"}, &v.as_text);
    choice(text, BulkField::kTableSetting, "テーブルの扱い",
           {"何もしない", "セル内で改行しない", "行内で改行しない"}, &v.table_setting);
    flag(text, BulkField::kGetLinkOnly, "リンクのみ抽出する", &v.get_link_only);
    flag(text, BulkField::kIgnoreAName, "<a name>,<a id>タグを無視する", &v.ignore_a_name);
    flag(text, BulkField::kSaveComment, "コメントを保存する", &v.save_comment);
    flag(text, BulkField::kSaveSelect, "選択メニューをテキストとして抽出する", &v.save_select);
    flag(text, BulkField::kSaveIframe, "<iframe>のリンクを保存する", &v.save_iframe);
    flag(text, BulkField::kSaveRssDescription, "RSS/ATOMの要約を抽出する", &v.save_rss_description);
    flag(text, BulkField::kSaveRssContent, "RSS/ATOMの本文を抽出する", &v.save_rss_content);
    left->addStretch(1);

    PageGrid& diff = group(right, QStringLiteral("差分"));
    QSpinBox* old_logs = bind_.spin(0, 24, &v.use_old_log);
    old_logs->setObjectName(QStringLiteral("use_old_log"));
    diff.row(BulkField::kUseOldLog,
             {old_logs, caption(QStringLiteral("回分の過去ログを参照する"), old_logs)}, true);
    flag(diff, BulkField::kIgnoreNumberDiff, "数字の違いを無視する", &v.ignore_number_diff);
    flag(diff, BulkField::kIgnoreNumberOnlyLine, "数字のみの行を無視する",
         &v.ignore_number_only_line);
    flag(diff, BulkField::kIgnoreSpaceOnlyLine, "空白のみの行を無視する",
         &v.ignore_space_only_line);
    flag(diff, BulkField::kIgnoreNoJapaneseLine, "日本語が含まれない行を無視する",
         &v.ignore_no_japanese_line);
    flag(diff, BulkField::kIgnoreSameText, "同一テキストを無視する", &v.ignore_same_text);
    flag(diff, BulkField::kIgnoreUrl, "URLの違いを無視する", &v.ignore_url);
    flag(diff, BulkField::kIgnoreImageName, "画像の違いを無視する", &v.ignore_image_name);
    flag(diff, BulkField::kIgnoreNoText, "画像とリンクだけの行を無視する", &v.ignore_no_text);
    flag(diff, BulkField::kIgnoreOnlyOuterServer, "外部サーバーへのリンクのみの行を無視する",
         &v.ignore_only_outer_server);
    flag(diff, BulkField::kSaveEmptyLine, "変更行直後の空行を保存する", &v.save_empty_line);
    QSpinBox* before = bind_.spin(0, 10, &v.save_context_before);
    QSpinBox* after = bind_.spin(0, 10, &v.save_context_after);
    diff.row(BulkField::kSaveContext,
             {bind_.check(QStringLiteral("変更行の前"), &v.save_context_use), before,
              caption(QStringLiteral("後"), after), after, caption(QStringLiteral("行を保存する"))},
             true);
    if (!s.bulk_mode() && !s.template_mode() && s.env.interval) add_interval(right);
    right->addStretch(1);
  }

  bool validate() override { return !interval_ || validate_interval_line(this, interval_, true); }
  void apply() override {
    FormPage::apply();
    if (!interval_) return;
    read_interval_line(interval_, true, *state_.env.interval);
  }

 private:
  // The item's own interval: not a site.db setting of [CONFIG], so neither
  // a template nor the bulk change supplies it.
  void add_interval(QVBoxLayout* column) {
    PageGrid& g = group(column, QStringLiteral("自動チェック"));
    interval_ = interval_line(*state_.env.interval);
    interval_->setObjectName(QStringLiteral("check_interval"));
    g.row(std::nullopt, {caption(QStringLiteral("チェック間隔"), interval_), interval_}, false);
    g.plain(
        caption(QStringLiteral("空欄: グループの設定  0: 自動チェックしない\n"
                               "例: 15m (分) 2h (時間) 1d (日) 1w (週)")));
  }

  PageGrid& group(QVBoxLayout* column, const QString& title) {
    auto* box = new QGroupBox(title);
    column->addWidget(box);
    return grid(new QGridLayout(box));
  }
  void flag(PageGrid& g, BulkField f, const char* text, int32_t* field) {
    g.row(f, {bind_.check(QString::fromUtf8(text), field)}, true);
  }
  void choice(PageGrid& g, BulkField f, const char* label, std::initializer_list<const char*> items,
              int32_t* field) {
    QStringList list;
    for (const char* i : items) list << QString::fromUtf8(i);
    QComboBox* combo = bind_.choice(list, field);
    g.row(f, {caption(QString::fromUtf8(label), combo), combo}, true);
  }

  QLineEdit* interval_ = nullptr;
};

}  // namespace

SheetPage* make_check_page(SheetState& state) {
  return new CheckPage(state);
}

}  // namespace ks::gui
