// The page settings sheet "ウェブページのプロパティ" (an item's settings), its
// template form "テンプレートの編集", and the four bulk pages the group sheet
// borrows from it. Nine pages, in order: "ページ設定", "チェック設定",
// "NGワード", "抽出ワード", "更新確認範囲", "認証", "過去ログ", "その他",
// "情報". Applying any of the first five sets OPTION_CHANGED.
//
// Editing a template: the first page's captions read "テンプレート名",
// "URLに含まれる文字列" and "確認用URL"; the template box and its line, the
// automatic-check box, the importance and both "テスト" buttons are hidden.
// Editing an item: with "テンプレートを使用する" ticked, the line beside it
// names the template that matches the URL as typed (or says none does), and
// while one matches, every control whose setting the template supplies is
// disabled on all pages.
//
// The sheet edits a copy of the record; record() is the edited copy after
// OK. Nothing is written here: the caller stores the record through
// PageSheetEnv::commit (the tree operations rename the folder and write
// site.db), and a refusal keeps the sheet open. UI thread.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gui/dialogs/property_sheet.h"
#include "store/bulk_change.h"
#include "store/page_settings.h"
#include "store/templates.h"

class QWidget;

namespace ks::gui {

enum class SheetMode {
  kItem,      // an item's settings
  kTemplate,  // a template's settings
  kBulk,      // the group sheet's bulk pages (values and "変更" marks)
};

// What the pages need from the window.
struct PageSheetEnv {
  // The template table (the template line, the disabled controls); may be null.
  const store::TemplateTable* templates = nullptr;
  // Opens a URL as typed (the "テスト" buttons); may be empty.
  std::function<void(const std::string& url_sjis)> open_url;
  // The status bar (past-log deletion); may be empty.
  std::function<void(const QString&)> status;
  // A new item: its URL box starts with "http://" when the URL is empty.
  bool new_record = false;
  // Stores the edited record after OK (renames, writes site.db); false keeps
  // the sheet open with the user's entries (the user has been told why).
  // Empty: the sheet closes and record() holds the entries.
  std::function<bool(const store::PageSettings&)> commit;
  // An item's own check interval (store/check_interval.h; nullopt: it takes
  // its group's). When set, "チェック設定" shows it, and OK stores the edited
  // value here before commit runs, which writes it.
  std::optional<int32_t>* interval = nullptr;
};

// The state every page of one sheet shares.
struct SheetState {
  SheetMode mode = SheetMode::kItem;
  store::PageSettings rec;  // kItem, kTemplate: the record being edited
  store::BulkChange bulk;   // kBulk: the values and the marks
  PageSheetEnv env;
  // Rows whose settings a template supplies (disabled while one matches).
  std::vector<QWidget*> template_rows;
  // Set by the first page: the URL as typed and whether a template is used.
  std::function<std::string()> typed_url;
  std::function<bool()> template_ticked;

  bool bulk_mode() const { return mode == SheetMode::kBulk; }
  bool template_mode() const { return mode == SheetMode::kTemplate; }
  store::PageSettings& values() { return bulk_mode() ? bulk.values : rec; }
  // The name of the template that matches the typed URL, when a template is
  // used and one matches.
  const store::PageSettings* matching_template() const;
  // Enables or disables the template rows as the typed entries say.
  void update_template_rows();
};

// The four pages the bulk change uses, in the group sheet's order, with
// their captions there ("一括ページ設定" ...).
void add_bulk_pages(PropertySheet& sheet, SheetState& state);

class PageSheet : public PropertySheet {
  Q_OBJECT

 public:
  PageSheet(QWidget* parent, const store::PageSettings& record, SheetMode mode,
            const PageSheetEnv& env);
  const store::PageSettings& record() const { return state_.rec; }

 private:
  bool after_apply() override;

  SheetState state_;
};

}  // namespace ks::gui
