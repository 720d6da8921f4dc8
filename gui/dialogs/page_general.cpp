// "ページ設定": name, URLs, comment, the automatic-check flag, importance,
// proxy, deleted lines, the program that opens links, the template and the
// script mode. In bulk mode only the settings that can be marked.
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/dialogs/page_sheet.h"
#include "gui/dialogs/page_sheet_pages.h"
#include "gui/dialogs/text_limits.h"
#include "gui/viewer/sjis_qt.h"
#include "store/templates.h"

namespace ks::gui {
namespace {

using store::BulkField;

class GeneralPage final : public FormPage {
 public:
  explicit GeneralPage(SheetState& s) : FormPage(s, true) {
    auto* layout = new QVBoxLayout(this);
    if (!s.bulk_mode()) layout->addWidget(identity_box());
    auto* options = new QGridLayout;
    layout->addLayout(options);
    PageGrid& g = grid(options);
    store::PageSettings& v = s.values();
    if (!s.bulk_mode() && !s.template_mode()) {
      g.row(std::nullopt,
            {bind_.check(QStringLiteral("自動チェックしない"), &v.disable_auto_check)}, false);
    }
    if (!s.template_mode()) {
      QComboBox* priority = bind_.choice(
          {QStringLiteral("普通"), QStringLiteral("中"), QStringLiteral("高")}, &v.site_priority);
      g.row(BulkField::kSitePriority,
            {caption(QStringLiteral("サイトの重要度"), priority), priority}, false);
    }
    g.row(BulkField::kNoProxy, {bind_.check(QStringLiteral("Proxyを使用しない"), &v.noproxy)},
          true);
    g.row(BulkField::kDetectDeletedLines,
          {bind_.check(QStringLiteral("削除された行を抽出する"), &v.detect_deleted_lines)}, true);
    program_row(g, v);
    if (!s.template_mode()) template_row(g, v);
    QComboBox* script = bind_.choice(
        {QStringLiteral("なし"), QStringLiteral("IE使用"), QStringLiteral("Edge(WebDriver)使用")},
        &v.use_script);
    g.row(BulkField::kUseScript, {caption(QStringLiteral("スクリプト対応"), script), script}, true);
    layout->addStretch(1);
  }

 private:
  QGroupBox* identity_box() {
    const bool tpl = state_.template_mode();
    store::PageSettings& v = state_.rec;
    auto* box = new QGroupBox;
    auto* g = new QGridLayout(box);
    QLineEdit* name = bind_.line(&v.name, store::kPathCapacity - 1);
    name->setObjectName(QStringLiteral("name"));
    g->addWidget(caption(tpl ? QStringLiteral("テンプレート名") : QStringLiteral("サイト名"), name),
                 0, 0);
    g->addWidget(name, 0, 1, 1, 2);

    url_ = bind_.line(&v.url, store::kUrlCapacity - 1);
    url_->setObjectName(QStringLiteral("url"));
    if (state_.env.new_record && v.url.empty() && !tpl) url_->setText(QStringLiteral("http://"));
    g->addWidget(
        caption(tpl ? QStringLiteral("URLに含まれる文字列") : QStringLiteral("チェックするURL"),
                url_),
        1, 0);
    g->addWidget(url_, 1, 1);
    QLineEdit* browse = bind_.line(&v.browse_url, store::kUrlCapacity - 1);
    browse->setObjectName(QStringLiteral("browse_url"));
    if (tpl) {
      g->addWidget(caption(QStringLiteral("確認用URL"), browse), 2, 0);
      g->addWidget(browse, 2, 1);
    } else {
      g->addWidget(test_button(url_, "test_url"), 1, 2);
      g->addWidget(
          caption(QStringLiteral("ブラウザで開くURL (チェックするURLと同じ場合は省略)"), browse), 2,
          0, 1, 3);
      g->addWidget(browse, 3, 1);
      g->addWidget(test_button(browse, "test_browse_url"), 3, 2);
    }
    QPlainTextEdit* comment = bind_.text(&v.comment, store::kCommentCapacity - 1);
    comment->setObjectName(QStringLiteral("comment"));
    comment->setFixedHeight(comment->fontMetrics().lineSpacing() * 4 + 12);
    g->addWidget(caption(QStringLiteral("コメント"), comment), 4, 0, Qt::AlignTop);
    g->addWidget(comment, 4, 1, 1, 2);
    g->setColumnStretch(1, 1);
    state_.typed_url = [edit = url_] { return one_line_sjis(edit->text()); };
    connect(url_, &QLineEdit::textChanged, this, [this] { refresh_template(); });
    return box;
  }

  QPushButton* test_button(QLineEdit* edit, const char* name) {
    auto* b = new QPushButton(QStringLiteral("テスト"));
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this, edit] {
      if (state_.env.open_url) state_.env.open_url(one_line_sjis(edit->text()));
    });
    return b;
  }

  void program_row(PageGrid& g, store::PageSettings& v) {
    QCheckBox* use =
        bind_.check(QStringLiteral("リンクを開くブラウザを指定する"), &v.use_specified_program);
    QLineEdit* path = bind_.line(&v.specified_program_path, store::kPathCapacity - 1);
    path->setMinimumWidth(180);
    auto* choose = new QPushButton(QStringLiteral("選択"));
    choose->setAutoDefault(false);
    connect(choose, &QPushButton::clicked, this, [this, path] {
      const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("選択"), path->text(),
                                                        QStringLiteral("実行ファイル (*)"));
      if (!file.isEmpty() && sjis_bytes(file) < store::kPathCapacity) path->setText(file);
    });
    g.row(BulkField::kSpecifiedProgram, {use, path, choose}, true);
  }

  void template_row(PageGrid& g, store::PageSettings& v) {
    QCheckBox* use = bind_.check(QStringLiteral("テンプレートを使用する"), &v.use_template);
    use->setObjectName(QStringLiteral("use_template"));
    template_line_ = new QLabel;
    template_line_->setTextFormat(Qt::PlainText);
    template_line_->setObjectName(QStringLiteral("template_line"));
    g.row(BulkField::kUseTemplate, {use, template_line_}, false);
    if (state_.bulk_mode()) {
      template_line_->hide();
      return;
    }
    state_.template_ticked = [use] { return use->isChecked(); };
    connect(use, &QCheckBox::toggled, this, [this] { refresh_template(); });
    refresh_template();
  }

  void refresh_template() {
    if (!template_line_ || !state_.template_ticked) return;
    if (!state_.template_ticked()) {
      template_line_->clear();
    } else if (const store::PageSettings* t = state_.matching_template()) {
      template_line_->setText(to_qstring(t->name));
    } else {
      template_line_->setText(QStringLiteral("該当するテンプレートがありません。"));
    }
    state_.update_template_rows();
  }

  QLineEdit* url_ = nullptr;
  QLabel* template_line_ = nullptr;
};

}  // namespace

SheetPage* make_general_page(SheetState& state) {
  return new GeneralPage(state);
}

}  // namespace ks::gui
