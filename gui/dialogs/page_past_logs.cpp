// "過去ログ": "過去ログのクリア" deletes every past log but the newest, after
// asking. Used by the page settings sheet, the group sheet and the root
// sheet "ルートのプロパティ".
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "compare/log_files.h"
#include "gui/dialogs/page_sheet_pages.h"
#include "gui/viewer/sjis_qt.h"
#include "platform/sjis.h"

namespace ks::gui {
namespace {

class PastLogsPage final : public SheetPage {
 public:
  PastLogsPage(PastLogsTarget target, std::function<void(const QString&)> status)
      : target_(std::move(target)), status_(std::move(status)) {
    auto* layout = new QVBoxLayout(this);
    auto* button = new QPushButton(QStringLiteral("過去ログのクリア"));
    button->setObjectName(QStringLiteral("clear_past_logs"));
    button->setAutoDefault(false);
    button->setEnabled(!target_.folders.empty());
    auto* row = new QHBoxLayout;
    row->addWidget(button);
    row->addWidget(new QLabel(QStringLiteral("最新の更新結果以外の過去ログを全てクリアします。")));
    row->addStretch(1);
    layout->addLayout(row);
    layout->addStretch(1);
    connect(button, &QPushButton::clicked, this, [this] { clear(); });
  }
  void apply() override {}

 private:
  void clear() {
    QMessageBox ask(
        QMessageBox::Warning, QStringLiteral("過去ログの削除"),
        QStringLiteral("最新の更新結果以外の過去ログを全て削除します。\n\nよろしいですか？"),
        QMessageBox::Yes | QMessageBox::No, this);
    ask.setObjectName(QStringLiteral("confirm_clear"));
    ask.setDefaultButton(QMessageBox::No);
    if (ask.exec() != QMessageBox::Yes) return;
    show_status(QStringLiteral("過去ログ削除中..."));
    for (const std::string& folder : target_.folders) {
      if (!target_.subtree) {
        compare::delete_past_logs(folder);
        continue;
      }
      compare::delete_past_logs_in_subtree(folder, [this](std::string_view name) {
        show_status(QStringLiteral("過去ログ削除中\"%1\"...")
                        .arg(to_qstring(name.substr(0, sjis_fit(name, 100)))));
      });
    }
    show_status(QStringLiteral("過去ログ削除完了。"));
  }
  void show_status(const QString& text) {
    if (status_) status_(text);
  }

  PastLogsTarget target_;
  std::function<void(const QString&)> status_;
};

}  // namespace

SheetPage* make_past_logs_page(const PastLogsTarget& target,
                               std::function<void(const QString&)> status) {
  return new PastLogsPage(target, std::move(status));
}

}  // namespace ks::gui
