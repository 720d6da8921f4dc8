// The main window's commands as values: their numbers, the toolbar table
// (the names toolbar.db lists, captions, tooltips), the accelerator keys,
// which commands are gated by a toolbar button's enabled flag and which are
// refused during a check run, the item menu's enabling by the selected
// node's kind, and the run-state rule that sets the toolbar flags. Pure
// values without widgets, so the rules can be read and tested on their own;
// the window (main_window.h) turns them into actions. Texts are UTF-8.
#pragma once

#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "check/item_walk.h"
#include "store/node.h"

namespace ks::gui {

// Command numbers, as the menus, keys, toolbar and tray send them.
enum Command : int {
  kCmdAbout = 104,
  kCmdExit = 105,
  kCmdTrayCheck = 32771,  // tray: start a check of the selection, or stop the run
  kCmdNewFolder = 32773,
  kCmdNewItem = 32774,
  kCmdDelete = 32775,
  kCmdProperties = 32776,
  kCmdOptions = 32777,
  kCmdCheck = 32778,
  kCmdStop = 32779,
  kCmdReload = 32780,
  kCmdConfirm = 32781,
  kCmdTopmost = 32782,
  kCmdReloadAll = 32784,
  kCmdConfigButton = 32785,
  kCmdAddFolderButton = 32786,
  kCmdAddPageButton = 32787,
  kCmdDeleteButton = 32788,
  kCmdFind = 32790,
  kCmdFindNext = 32791,
  kCmdFindPrevious = 32792,
  kCmdFindMenu = 32793,
  kCmdFindNextMenu = 32794,
  kCmdPastLogSearch = 32795,
  kCmdNextKeyword = 32797,
  kCmdSaveLogHtml = 32798,
  kCmdBrowserView = 32799,
  kCmdCopy = 32800,
  kCmdSelectAll = 32801,
  kCmdPrint = 32802,
  kCmdOpenUrl = 32803,
  kCmdNextHeadline = 32804,
  kCmdPrevHeadline = 32805,
  kCmdCopyUrl = 32807,
  kCmdViewerDeleteItem = 32811,
  kCmdViewerItemSettings = 32814,
  kCmdImport = 32815,
  kCmdSearchGoogle = 32817,
  kCmdBrowserViewImage = 32819,
  kCmdCopyNode = 32820,
  kCmdPaste = 32821,
  kCmdCut = 32822,
  kCmdViewerOpenItem = 32825,
  kCmdTaskMonitor = 32826,
  kCmdRestore = 32829,
  kCmdSearchWikipedia = 32831,
  kCmdClearResults = 32833,
  kCmdClearErrors = 32834,
  kCmdSearchDictionary = 32835,
  kCmdCheckErrors = 32837,
  kCmdBrowserViewButton = 32842,
  kCmdBrowserViewImageButton = 32843,
  kCmdItemSearch = 32845,
  kCmdHistory = 32846,
  kCmdLastUpdateTimes = 32847,
  kCmdRename = 32849,
  kCmdOpenSelection = 32850,
  kCmdExpandAll = 32853,
  kCmdCollapseAll = 32855,
  kCmdCheckCommErrors = 32860,
  kCmdExport = 32864,
  kCmdRepair = 32867,
  kCmdCheckHigh = 32869,
  kCmdCheckMiddle = 32871,
  kCmdCheckNormal = 32873,
};

// The toolbar buttons by the names toolbar.db uses.
enum class Button : int {
  kSpacer,
  kCheck,
  kStop,
  kReload,
  kReloadAll,
  kConfirm,
  kTopmost,
  kConfig,
  kAddFolder,
  kAddPage,
  kDelete,
  kFind,
  kFindNext,
  kNextKeyword,
  kNextHeadline,
  kPrevHeadline,
  kBrowserView,
  kBrowserViewImage,
  kTaskMonitor,
};
inline constexpr std::size_t kButtonCount = 19;

struct ToolbarEntry {
  Button button;
  std::string_view name;  // as toolbar.db lists it
  const char* caption;
  const char* tooltip;  // TOPMOST: the tooltip while not on top
  int command;          // 0 for the spacer
};

// The 19 entries, in table order.
const std::array<ToolbarEntry, kButtonCount>& toolbar_table();
const ToolbarEntry* find_toolbar_entry(std::string_view name);
const ToolbarEntry& toolbar_entry(Button b);
// The TOPMOST tooltip by state.
const char* topmost_tooltip(bool on_top);

// The drop-down menus of CHECK and RELOAD: (command, caption).
struct MenuEntry {
  int command;
  const char* caption;
};
const std::vector<MenuEntry>& check_dropdown();
const std::vector<MenuEntry>& reload_dropdown();

// Accelerator keys: (command, key sequence in Qt's portable text form).
struct Accelerator {
  int command;
  const char* keys;
};
const std::vector<Accelerator>& accelerators();
// The key text of a command's first accelerator, or nullptr.
const char* accelerator_for(int command);

// The check kind a start command asks for; nullopt for other commands.
std::optional<check::CheckKind> check_kind_of(int command);

// The button whose enabled flag gates a command, or nullopt.
std::optional<Button> gating_button(int command);
// Commands that do nothing while a check run is going on.
bool idle_only(int command);

// Enabled flags of the 19 buttons (kSpacer unused), as the run-state rule
// sets them.
class ButtonFlags {
 public:
  bool enabled(Button b) const { return flags_[static_cast<std::size_t>(b)]; }
  void set(Button b, bool on) { flags_[static_cast<std::size_t>(b)] = on; }

 private:
  std::array<bool, kButtonCount> flags_{};
};

// The flags for the run state and the selected node's kind (nullopt: no
// selection). Idle: every button but STOP. Running: CHECK, RELOAD,
// RELOAD_ALL, CONFIG, ADD_PAGE, NEXT_KEYWORD and both BROWSER_VIEW buttons
// off, STOP on, CONFIRM only for an item or a template; ADD_FOLDER and
// DELETE off too, because the tree belongs to the run while it goes on.
ButtonFlags button_flags(bool running, std::optional<store::NodeKind> selected);

// The item menu's enabling by the selected node's kind; every entry is
// enabled with no selection. Commands outside the item menu: true.
bool item_command_enabled(int command, std::optional<store::NodeKind> selected);
// The item menu's commands, in menu order (separators as 0).
const std::vector<int>& item_menu_commands();

}  // namespace ks::gui
