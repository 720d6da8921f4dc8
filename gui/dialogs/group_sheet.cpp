#include "gui/dialogs/group_sheet.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "gui/dialogs/interval_edit.h"
#include "gui/dialogs/options_pages.h"
#include "gui/dialogs/page_sheet_pages.h"

namespace ks::gui {
namespace {

// "グループの設定": the group's own flag and check interval.
class GroupFlagPage final : public SheetPage {
 public:
  GroupFlagPage(int32_t& flag, std::optional<int32_t>& interval)
      : flag_(flag), interval_(interval) {
    auto* layout = new QVBoxLayout(this);
    box_ = new QCheckBox(QStringLiteral("自動チェックしない"));
    box_->setObjectName(QStringLiteral("group_disable_auto_check"));
    box_->setChecked(flag != 0);
    layout->addWidget(box_);
    line_ = interval_line(interval);
    line_->setObjectName(QStringLiteral("check_interval"));
    layout->addWidget(option_row({caption(QStringLiteral("チェック間隔"), line_), line_}));
    layout->addWidget(
        caption(QStringLiteral("空欄: 上位グループの設定  0: 自動チェックしない\n"
                               "例: 15m (分) 2h (時間) 1d (日) 1w (週)")));
    layout->addStretch(1);
  }
  bool validate() override { return validate_interval_line(this, line_, true); }
  void apply() override {
    flag_ = box_->isChecked() ? 1 : 0;
    read_interval_line(line_, true, interval_);
  }

 private:
  int32_t& flag_;
  std::optional<int32_t>& interval_;
  QCheckBox* box_;
  QLineEdit* line_;
};

}  // namespace

GroupSheet::GroupSheet(QWidget* parent, const std::string& folder, int32_t flag,
                       const PageSheetEnv& env, std::optional<int32_t> interval)
    : PropertySheet(parent, QStringLiteral("グループのプロパティ")),
      flag_(flag),
      interval_(interval) {
  setObjectName(QStringLiteral("group_sheet"));
  state_.mode = SheetMode::kBulk;
  state_.env = env;
  add_page(new GroupFlagPage(flag_, interval_), QStringLiteral("グループの設定"));
  add_page(make_past_logs_page({{folder}, true}, env.status), QStringLiteral("過去ログ"));
  add_bulk_pages(*this, state_);
}

RootSheet::RootSheet(QWidget* parent, const std::string& data_folder,
                     const std::string& template_folder, std::function<void(const QString&)> status)
    : PropertySheet(parent, QStringLiteral("ルートのプロパティ")) {
  setObjectName(QStringLiteral("root_sheet"));
  add_page(make_past_logs_page({{data_folder, template_folder}, true}, std::move(status)),
           QStringLiteral("過去ログ"));
}

}  // namespace ks::gui
