// The group sheet "グループのプロパティ" (six pages: "グループの設定",
// "過去ログ", then the four bulk pages of the page settings sheet with their
// "変更" marks) and the root sheet "ルートのプロパティ" (only "過去ログ").
// After OK, group_flag() is the automatic-check flag and change() the bulk
// change (values and marks); the caller writes the flag and runs the change
// (bulk_progress.h). UI thread.
#pragma once

#include <cstdint>
#include <string>

#include "gui/dialogs/page_sheet.h"

namespace ks::gui {

class GroupSheet : public PropertySheet {
  Q_OBJECT

 public:
  // `folder`: the group's folder (its past logs); `flag`: DISABLE_AUTO_CHECK
  // of its group.db.
  GroupSheet(QWidget* parent, const std::string& folder, int32_t flag, const PageSheetEnv& env);
  int32_t group_flag() const { return flag_; }
  const store::BulkChange& change() const { return state_.bulk; }

 private:
  int32_t flag_;
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
