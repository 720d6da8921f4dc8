#include "gui/dialogs/page_sheet.h"

#include <QTabWidget>

#include "gui/dialogs/page_sheet_pages.h"

namespace ks::gui {

FormPage::FormPage(SheetState& state, bool marks_changed)
    : state_(state), marks_changed_(marks_changed) {}

void FormPage::apply() {
  bind_.apply();
  for (const auto& g : grids_) g->apply_marks();
}

PageGrid& FormPage::grid(QGridLayout* layout) {
  grids_.push_back(std::make_unique<PageGrid>(state_, layout));
  return *grids_.back();
}

const store::PageSettings* SheetState::matching_template() const {
  if (!env.templates || !typed_url || !template_ticked || !template_ticked()) return nullptr;
  return env.templates->match(typed_url());
}

void SheetState::update_template_rows() {
  const bool supplied = matching_template() != nullptr;
  for (QWidget* row : template_rows) row->setEnabled(!supplied);
}

void add_bulk_pages(PropertySheet& sheet, SheetState& state) {
  sheet.add_page(make_general_page(state), QStringLiteral("一括ページ設定"));
  sheet.add_page(make_check_page(state), QStringLiteral("一括チェック設定"));
  sheet.add_page(make_ng_words_page(state), QStringLiteral("一括NGワード設定"));
  sheet.add_page(make_ok_words_page(state), QStringLiteral("一括抽出ワード設定"));
}

PageSheet::PageSheet(QWidget* parent, const store::PageSettings& record, SheetMode mode,
                     const PageSheetEnv& env)
    : PropertySheet(parent, mode == SheetMode::kTemplate
                                ? QStringLiteral("テンプレートの編集")
                                : QStringLiteral("ウェブページのプロパティ")) {
  setObjectName(QStringLiteral("page_sheet"));
  state_.mode = mode;
  state_.rec = record;
  state_.env = env;
  add_page(make_general_page(state_), QStringLiteral("ページ設定"));
  add_page(make_check_page(state_), QStringLiteral("チェック設定"));
  add_page(make_ng_words_page(state_), QStringLiteral("NGワード"));
  add_page(make_ok_words_page(state_), QStringLiteral("抽出ワード"));
  add_page(make_areas_page(state_), QStringLiteral("更新確認範囲"));
  add_page(make_auth_page(state_), QStringLiteral("認証"));
  PastLogsTarget logs;
  if (!record.folder_path.empty()) logs.folders.push_back(record.folder_path);
  add_page(make_past_logs_page(logs, env.status), QStringLiteral("過去ログ"));
  add_page(make_legacy_page(state_), QStringLiteral("その他"));
  add_page(make_info_page(record.folder_path), QStringLiteral("情報"));
  state_.update_template_rows();
}

bool PageSheet::after_apply() {
  if (changes_marked()) state_.rec.option_changed = 1;
  return !state_.env.commit || state_.env.commit(state_.rec);
}

}  // namespace ks::gui
