#include "gui/dialogs/group_sheet.h"

#include <QCheckBox>
#include <QVBoxLayout>

#include "gui/dialogs/page_sheet_pages.h"

namespace ks::gui {
namespace {

// "グループの設定": the group's own flag.
class GroupFlagPage final : public SheetPage {
 public:
  explicit GroupFlagPage(int32_t& flag) : flag_(flag) {
    auto* layout = new QVBoxLayout(this);
    box_ = new QCheckBox(QStringLiteral("自動チェックしない"));
    box_->setObjectName(QStringLiteral("group_disable_auto_check"));
    box_->setChecked(flag != 0);
    layout->addWidget(box_);
    layout->addStretch(1);
  }
  void apply() override { flag_ = box_->isChecked() ? 1 : 0; }

 private:
  int32_t& flag_;
  QCheckBox* box_;
};

}  // namespace

GroupSheet::GroupSheet(QWidget* parent, const std::string& folder, int32_t flag,
                       const PageSheetEnv& env)
    : PropertySheet(parent, QStringLiteral("グループのプロパティ")), flag_(flag) {
  setObjectName(QStringLiteral("group_sheet"));
  state_.mode = SheetMode::kBulk;
  state_.env = env;
  add_page(new GroupFlagPage(flag_), QStringLiteral("グループの設定"));
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
