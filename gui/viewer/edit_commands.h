// The commands that act on the current result pane: the "編集(&E)" menu
// (also the viewer's context menu away from item headings) and the pane find
// of the "検索(&S)" menu. Each is a plain function over a ResultView so the
// main window can bind it to its menus, toolbar and keys. UI thread.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "gui/viewer/result_view.h"
#include "present/find_text.h"
#include "present/open_page.h"

class QMenu;
class QWidget;

namespace ks::gui {

// "コピー(&C)": the selection to the clipboard (CR LF line ends).
bool edit_copy(ResultView& view);

// "URLをコピー(&L)": the target of the link holding the caret, as text.
// Nothing when the caret is on no link, on an item heading line, or on an
// item-settings link.
bool edit_copy_url(ResultView& view);

// The web searches of the menu and "ブラウザで開く(&B)", by search site number.
enum class SearchSite : int { kWeb = 0, kEncyclopedia = 1, kDictionary = 2, kAddress = 3 };

// Searches for (or, kAddress, opens) the selected text: at most 2,099 bytes
// of it; the selection stays as it was and the focus returns to the view.
// False when nothing is selected or the address could not be opened.
bool edit_web_search(ResultView& view, SearchSite site, const present::OpenEnv& env,
                     const present::SearchEndpoints& endpoints = {});

// "すべて選択(&A)".
inline void edit_select_all(ResultView& view) {
  view.select_all();
}

// The captions of the "編集" menu's commands, in menu order.
struct EditCommand {
  int number;       // the command number
  QString caption;  // with its mnemonic
};
const std::vector<EditCommand>& edit_commands();

// The "編集(&E)" menu: the seven commands acting on current_view() (nothing
// when it returns nullptr); web searches open through open_env().
struct EditMenuHooks {
  std::function<ResultView*()> current_view;
  std::function<present::OpenEnv()> open_env;
  present::SearchEndpoints endpoints;
};
QMenu* make_edit_menu(QWidget* parent, EditMenuHooks hooks);

// The pane find. "次を検索" (forward) and Shift+F3 (backward) repeat the kept
// text, continuing from the selection; they return false without a kept
// text (the caller then shows the find dialog) or when nothing is found.
bool find_again(ResultView& view, const present::FindState& state, present::FindDirection dir);

// A minimal find dialog ("検索"): asks for the text (the kept one proposed),
// keeps it in `state` and finds it forward from the selection. False when
// cancelled or not found.
bool find_with_dialog(QWidget* parent, ResultView& view, present::FindState& state);

}  // namespace ks::gui
