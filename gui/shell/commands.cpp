#include "shell/commands.h"

#include <algorithm>

namespace ks::gui {

using store::NodeKind;

const std::array<ToolbarEntry, kButtonCount>& toolbar_table() {
  static const std::array<ToolbarEntry, kButtonCount> table = {{
      {Button::kSpacer, "SPACER", "", "", 0},
      {Button::kCheck, "CHECK", "チェック", "チェック開始 (Ctrl+G)", kCmdCheck},
      {Button::kStop, "STOP", "中止", "中止 (ESC)", kCmdStop},
      {Button::kReload, "RELOAD", "リロード", "リロード (Ctrl+R)", kCmdReload},
      {Button::kReloadAll, "RELOAD_ALL", "全リロード", "全てリロード (Ctrl+Shift+R)",
       kCmdReloadAll},
      {Button::kConfirm, "CONFIRM", "確認", "確認 (Ctrl+U)", kCmdConfirm},
      {Button::kTopmost, "TOPMOST", "最前面に固定", "最前面に固定 (Ctrl+T)", kCmdTopmost},
      {Button::kConfig, "CONFIG", "設定", "設定 (Alt+C)", kCmdConfigButton},
      {Button::kAddFolder, "ADD_FOLDER", "フォルダを追加", "フォルダを追加 (Ctrl+Shift+N)",
       kCmdAddFolderButton},
      {Button::kAddPage, "ADD_PAGE", "アイテムを追加", "アイテムを追加 (Ctrl+N)",
       kCmdAddPageButton},
      {Button::kDelete, "DELETE", "削除", "削除", kCmdDeleteButton},
      {Button::kFind, "FIND", "検索", "検索 (Ctrl+F)", kCmdFind},
      {Button::kFindNext, "FIND_NEXT", "次を検索", "次を検索 (F3)", kCmdFindNext},
      {Button::kNextKeyword, "NEXT_KEYWORD", "キーワードにジャンプ",
       "キーワードにジャンプ (Ctrl+K)", kCmdNextKeyword},
      {Button::kNextHeadline, "NEXT_HEADLINE", "次の見出し", "次の見出し (Ctrl+M)",
       kCmdNextHeadline},
      {Button::kPrevHeadline, "PREV_HEADLINE", "前の見出し", "前の見出し (Ctrl+Shift+M)",
       kCmdPrevHeadline},
      {Button::kBrowserView, "BROWSER_VIEW", "結果をブラウザで開く",
       "結果をブラウザで開く(Ctrl+Shift+B)", kCmdBrowserViewButton},
      {Button::kBrowserViewImage, "BROWSER_VIEW_IMAGE", "画像をブラウザで開く",
       "画像をブラウザで開く(Ctrl+Shift+I)", kCmdBrowserViewImageButton},
      {Button::kTaskMonitor, "TASK_MONITOR", "タスク状態モニタ", "タスク状態モニタ (Ctrl+Shift+T)",
       kCmdTaskMonitor},
  }};
  return table;
}

const ToolbarEntry* find_toolbar_entry(std::string_view name) {
  for (const ToolbarEntry& e : toolbar_table()) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

const ToolbarEntry& toolbar_entry(Button b) {
  return toolbar_table()[static_cast<std::size_t>(b)];
}

const char* topmost_tooltip(bool on_top) {
  return on_top ? "最前面を解除 (Ctrl+T)" : "最前面に固定 (Ctrl+T)";
}

const std::vector<MenuEntry>& check_dropdown() {
  static const std::vector<MenuEntry> entries = {
      {kCmdCheck, "選択したアイテム"},
      {kCmdCheckErrors, "エラーのあるアイテム"},
      {kCmdCheckCommErrors, "通信エラーのあるアイテム"},
      {kCmdCheckHigh, "重要度（高）のアイテム"},
      {kCmdCheckMiddle, "重要度（中）のアイテム"},
      {kCmdCheckNormal, "重要度（普通）のアイテム"},
  };
  return entries;
}

const std::vector<MenuEntry>& reload_dropdown() {
  static const std::vector<MenuEntry> entries = {
      {kCmdReload, "選択したアイテム(CTRL+R)"},
      {kCmdReloadAll, "すべてのアイテム(CTRL+SHIFT+R)"},
  };
  return entries;
}

const std::vector<Accelerator>& accelerators() {
  static const std::vector<Accelerator> keys = {
      {kCmdCheck, "Ctrl+G"},
      {kCmdCheckErrors, "Ctrl+Shift+G"},
      {kCmdCheckCommErrors, "Ctrl+Alt+G"},
      {kCmdReload, "Ctrl+R"},
      {kCmdReloadAll, "Ctrl+Shift+R"},
      {kCmdStop, "Esc"},
      {kCmdConfirm, "Ctrl+U"},
      {kCmdTopmost, "Ctrl+T"},
      {kCmdConfigButton, "Alt+C"},
      {kCmdAddFolderButton, "Ctrl+Shift+N"},
      {kCmdAddPageButton, "Ctrl+N"},
      {kCmdFind, "Ctrl+F"},
      {kCmdFindNext, "F3"},
      {kCmdFindPrevious, "Shift+F3"},
      {kCmdNextKeyword, "Ctrl+K"},
      {kCmdNextHeadline, "Ctrl+M"},
      {kCmdPrevHeadline, "Ctrl+Shift+M"},
      {kCmdBrowserViewButton, "Ctrl+Shift+B"},
      {kCmdBrowserViewImageButton, "Ctrl+Shift+I"},
      {kCmdTaskMonitor, "Ctrl+Shift+T"},
  };
  return keys;
}

const char* accelerator_for(int command) {
  for (const Accelerator& a : accelerators()) {
    if (a.command == command) return a.keys;
  }
  return nullptr;
}

std::optional<check::CheckKind> check_kind_of(int command) {
  switch (command) {
    case kCmdCheck:
      return check::CheckKind::kSelected;
    case kCmdCheckErrors:
      return check::CheckKind::kErrors;
    case kCmdCheckCommErrors:
      return check::CheckKind::kCommErrors;
    case kCmdCheckHigh:
      return check::CheckKind::kHighImportance;
    case kCmdCheckMiddle:
      return check::CheckKind::kMediumImportance;
    case kCmdCheckNormal:
      return check::CheckKind::kNormalImportance;
    default:
      return std::nullopt;
  }
}

std::optional<Button> gating_button(int command) {
  if (check_kind_of(command)) return Button::kCheck;
  switch (command) {
    case kCmdStop:
      return Button::kStop;
    case kCmdReload:
      return Button::kReload;
    case kCmdReloadAll:
      return Button::kReloadAll;
    case kCmdTopmost:
      return Button::kTopmost;
    case kCmdNextKeyword:
      return Button::kNextKeyword;
    case kCmdNextHeadline:
      return Button::kNextHeadline;
    case kCmdPrevHeadline:
      return Button::kPrevHeadline;
    case kCmdFind:
    case kCmdFindMenu:
      return Button::kFind;
    case kCmdFindNext:
    case kCmdFindNextMenu:
      return Button::kFindNext;
    case kCmdProperties:
    case kCmdConfigButton:
      return Button::kConfig;
    case kCmdNewFolder:
    case kCmdAddFolderButton:
      return Button::kAddFolder;
    case kCmdNewItem:
    case kCmdAddPageButton:
      return Button::kAddPage;
    default:
      return std::nullopt;
  }
}

bool idle_only(int command) {
  switch (command) {
    case kCmdBrowserView:
    case kCmdBrowserViewButton:
    case kCmdBrowserViewImage:
    case kCmdBrowserViewImageButton:
    case kCmdFindPrevious:
    case kCmdLastUpdateTimes:
    case kCmdConfirm:
    // Commands that change the tree or its folders: while a run goes on the
    // tree belongs to its workers.
    case kCmdDelete:
    case kCmdDeleteButton:
    case kCmdNewFolder:
    case kCmdAddFolderButton:
    case kCmdRename:
    case kCmdCut:
    case kCmdCopyNode:
    case kCmdPaste:
    case kCmdClearErrors:
    case kCmdClearResults:
    case kCmdRepair:
    case kCmdImport:
    case kCmdReload:
    case kCmdReloadAll:
    case kCmdViewerItemSettings:
    case kCmdViewerOpenItem:
    case kCmdViewerDeleteItem:
    // The tree and the panes the run writes into.
    case kCmdExport:
    case kCmdOptions:
    case kCmdPastLogSearch:
    case kCmdItemSearch:
      return true;
    default:
      return false;
  }
}

ButtonFlags button_flags(bool running, std::optional<NodeKind> selected) {
  ButtonFlags f;
  for (const ToolbarEntry& e : toolbar_table()) f.set(e.button, true);
  f.set(Button::kSpacer, false);
  if (!running) {
    f.set(Button::kStop, false);
    return f;
  }
  for (Button b : {Button::kCheck, Button::kReload, Button::kReloadAll, Button::kConfig,
                   Button::kAddPage, Button::kNextKeyword, Button::kBrowserView,
                   Button::kBrowserViewImage, Button::kAddFolder, Button::kDelete}) {
    f.set(b, false);
  }
  f.set(Button::kConfirm, selected == NodeKind::kItem || selected == NodeKind::kTemplate);
  return f;
}

namespace {

// Columns: root, group, item, template root, template.
struct KindRow {
  int command;
  std::array<bool, 5> by_kind;
};

const std::vector<KindRow>& kind_table() {
  static const std::vector<KindRow> rows = {
      {kCmdOpenUrl, {false, false, true, false, false}},
      {kCmdProperties, {true, true, true, true, true}},
      {kCmdNewFolder, {true, true, true, false, false}},
      {kCmdNewItem, {true, true, true, true, true}},
      {kCmdCut, {false, true, true, false, false}},
      {kCmdCopyNode, {false, true, true, false, false}},
      {kCmdPaste, {true, true, true, false, false}},
      {kCmdDelete, {false, true, true, false, true}},
      {kCmdRename, {false, true, true, false, true}},
      {kCmdClearErrors, {true, true, true, true, true}},
      {kCmdClearResults, {true, true, true, true, true}},
      {kCmdExpandAll, {true, true, false, true, false}},
      {kCmdCollapseAll, {true, true, false, true, false}},
  };
  return rows;
}

}  // namespace

bool item_command_enabled(int command, std::optional<NodeKind> selected) {
  if (!selected) return true;
  const auto column = static_cast<std::size_t>(*selected);
  if (column >= 5) return true;
  for (const KindRow& row : kind_table()) {
    if (row.command == command) return row.by_kind[column];
  }
  return true;
}

const std::vector<int>& item_menu_commands() {
  static const std::vector<int> commands = {
      kCmdOpenUrl,
      0,
      kCmdProperties,
      kCmdNewFolder,
      kCmdNewItem,
      0,
      kCmdCut,
      kCmdCopyNode,
      kCmdPaste,
      kCmdDelete,
      kCmdRename,
      0,
      kCmdClearErrors,
      kCmdClearResults,
      0,
      kCmdExpandAll,
      kCmdCollapseAll,
  };
  return commands;
}

}  // namespace ks::gui
