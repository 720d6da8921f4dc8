// The pages of the page settings sheet (page_sheet.h), one file each. Every
// page works on the sheet's shared state; in bulk mode only the rows that
// can be marked are made.
#pragma once

#include <QGridLayout>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/dialogs/page_form.h"
#include "gui/dialogs/property_sheet.h"

namespace ks::gui {

struct SheetState;

// A page of bound controls in rows (page_form.h).
class FormPage : public SheetPage {
  Q_OBJECT

 public:
  FormPage(SheetState& state, bool marks_changed);
  void apply() override;
  bool marks_changed() const override { return marks_changed_; }

 protected:
  // A grid of rows inside `layout`'s widget (the page or a group box).
  PageGrid& grid(QGridLayout* layout);

  SheetState& state_;
  Bindings bind_;

 private:
  std::vector<std::unique_ptr<PageGrid>> grids_;
  bool marks_changed_;
};

SheetPage* make_general_page(SheetState& state);       // "ページ設定"
SheetPage* make_check_page(SheetState& state);         // "チェック設定"
SheetPage* make_ng_words_page(SheetState& state);      // "NGワード"
SheetPage* make_ok_words_page(SheetState& state);      // "抽出ワード"
SheetPage* make_areas_page(SheetState& state);         // "更新確認範囲"
SheetPage* make_auth_page(SheetState& state);          // "認証"
SheetPage* make_legacy_page(SheetState& state);        // "その他"
SheetPage* make_info_page(const std::string& folder);  // "情報"

// "過去ログ": the button "過去ログのクリア" deletes every past log but the
// newest, of one item or template (`subtree` false) or of every item and
// template below a folder (`subtree` true; `folders` lists the folders to
// walk: a group's, or for the root the data and template folders).
struct PastLogsTarget {
  std::vector<std::string> folders;
  bool subtree = false;
};
SheetPage* make_past_logs_page(const PastLogsTarget& target,
                               std::function<void(const QString&)> status);

}  // namespace ks::gui
