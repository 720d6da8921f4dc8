// The group sheet "グループのプロパティ" (six pages: "グループの設定",
// "過去ログ", then the four bulk pages of the page settings sheet with their
// "変更" marks) and the root sheet "ルートのプロパティ" (only "過去ログ").
// After OK, group_flag() is the automatic-check flag, interval() the
// group's own check interval (nullopt: from its parent) and change() the
// bulk change (values and marks); the caller writes the flag and the
// interval and runs the change (bulk_progress.h). UI thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "gui/dialogs/page_sheet.h"

namespace ks::gui {

class GroupSheet : public PropertySheet {
  Q_OBJECT

 public:
  // `folder`: the group's folder (its past logs); `flag`: DISABLE_AUTO_CHECK
  // of its group.db; `interval`: its check interval (store/check_interval.h).
  GroupSheet(QWidget* parent, const std::string& folder, int32_t flag, const PageSheetEnv& env,
             std::optional<int32_t> interval = std::nullopt);
  int32_t group_flag() const { return flag_; }
  std::optional<int32_t> interval() const { return interval_; }
  const store::BulkChange& change() const { return state_.bulk; }

 private:
  int32_t flag_;
  std::optional<int32_t> interval_;
  SheetState state_;
};

// "ルートのプロパティ": clearing the past logs of every item and template.
class RootSheet : public PropertySheet {
  Q_OBJECT

 public:
  RootSheet(QWidget* parent, const std::string& data_folder, const std::string& template_folder,
            std::function<void(const QString&)> status);
};

}  // namespace ks::gui
