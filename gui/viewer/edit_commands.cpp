#include "gui/viewer/edit_commands.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMenu>
#include <QWidget>

#include "gui/viewer/sjis_qt.h"
#include "platform/sjis.h"

namespace ks::gui {
namespace {

// The longest selection the web searches use.
constexpr std::size_t kMaxSearchBytes = 2099;

// The selection as a search term: its first line, cut to the limit.
std::string search_term(const ResultView& view) {
  std::string s = view.selected_text();
  const std::size_t line_end = s.find_first_of("\r\n");
  if (line_end != std::string::npos) s.resize(line_end);
  s.resize(sjis_fit(s, kMaxSearchBytes));
  return s;
}

}  // namespace

bool edit_copy(ResultView& view) {
  return view.copy();
}

bool edit_copy_url(ResultView& view) {
  if (view.heading_item_at_caret()) return false;
  const auto link = view.link_at_caret();
  if (!link || link->item_settings()) return false;
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  clipboard->setText(to_qstring(link->target));
  return true;
}

bool edit_web_search(ResultView& view, SearchSite site, const present::OpenEnv& env,
                     const present::SearchEndpoints& endpoints) {
  const std::string term = search_term(view);
  if (term.empty()) return false;
  bool ok = false;
  switch (site) {
    case SearchSite::kWeb:
      ok = present::open_address(present::AddressKind::kUrl,
                                 present::web_search_address(term, endpoints), 0, env);
      break;
    case SearchSite::kEncyclopedia:
      ok = present::open_address(present::AddressKind::kUrl,
                                 present::encyclopedia_search_address(term, endpoints), 0, env);
      break;
    case SearchSite::kDictionary:
      ok = present::open_address(present::AddressKind::kUrl,
                                 present::dictionary_search_address(term, endpoints), 0, env);
      break;
    case SearchSite::kAddress:
      ok = present::open_selection_as_address(term, env);
      break;
  }
  view.widget()->setFocus(Qt::OtherFocusReason);
  return ok;
}

const std::vector<EditCommand>& edit_commands() {
  static const std::vector<EditCommand> commands = {
      {32800, QStringLiteral("コピー(&C)")},        {32807, QStringLiteral("URLをコピー(&L)")},
      {32817, QStringLiteral("Googleで検索(&S)")},  {32831, QStringLiteral("Wikipediaで検索(&W)")},
      {32835, QStringLiteral("gooで辞書検索(&G)")}, {32850, QStringLiteral("ブラウザで開く(&B)")},
      {32801, QStringLiteral("すべて選択(&A)")},
  };
  return commands;
}

QMenu* make_edit_menu(QWidget* parent, EditMenuHooks hooks) {
  auto* menu = new QMenu(QStringLiteral("編集(&E)"), parent);
  auto shared = std::make_shared<EditMenuHooks>(std::move(hooks));
  for (const EditCommand& c : edit_commands()) {
    QAction* action = menu->addAction(c.caption);
    action->setData(c.number);
    const int number = c.number;
    QObject::connect(action, &QAction::triggered, menu, [shared, number] {
      ResultView* view = shared->current_view ? shared->current_view() : nullptr;
      if (!view) return;
      const present::OpenEnv env = shared->open_env ? shared->open_env() : present::OpenEnv{};
      switch (number) {
        case 32800:
          edit_copy(*view);
          break;
        case 32807:
          edit_copy_url(*view);
          break;
        case 32817:
          edit_web_search(*view, SearchSite::kWeb, env, shared->endpoints);
          break;
        case 32831:
          edit_web_search(*view, SearchSite::kEncyclopedia, env, shared->endpoints);
          break;
        case 32835:
          edit_web_search(*view, SearchSite::kDictionary, env, shared->endpoints);
          break;
        case 32850:
          edit_web_search(*view, SearchSite::kAddress, env, shared->endpoints);
          break;
        case 32801:
          edit_select_all(*view);
          break;
        default:
          break;
      }
    });
  }
  return menu;
}

bool find_again(ResultView& view, const present::FindState& state, present::FindDirection dir) {
  if (state.text.empty()) return false;
  return view.find_and_select(state.text, dir, true);
}

bool find_with_dialog(QWidget* parent, ResultView& view, present::FindState& state) {
  bool ok = false;
  const QString text =
      QInputDialog::getText(parent, QStringLiteral("検索"), QStringLiteral("検索する文字列:"),
                            QLineEdit::Normal, to_qstring(state.text), &ok);
  if (!ok || text.isEmpty()) return false;
  state.text = to_sjis(text);
  return view.find_and_select(state.text, present::FindDirection::kForward, true);
}

}  // namespace ks::gui
