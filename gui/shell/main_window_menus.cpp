// The main window's actions: the menus with their captions and keys, the
// window-wide accelerators, the toolbar from toolbar.db with the CHECK and
// RELOAD drop-downs, and their enabling (the toolbar flags of the run-state
// rule and the item menu by the selected node's kind).
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include "app/application.h"
#include "app/options/toolbar.h"
#include "shell/main_window.h"
#include "shell/tree_model.h"

namespace ks::gui {

namespace {

// Menu entries that share a key with the toolbar command of the same action.
int key_alias(int command) {
  switch (command) {
    case kCmdFindMenu:
      return kCmdFind;
    case kCmdFindNextMenu:
      return kCmdFindNext;
    case kCmdBrowserView:
      return kCmdBrowserViewButton;
    case kCmdBrowserViewImage:
      return kCmdBrowserViewImageButton;
    case kCmdProperties:
      return kCmdConfigButton;
    case kCmdNewFolder:
      return kCmdAddFolderButton;
    case kCmdNewItem:
      return kCmdAddPageButton;
    default:
      return command;
  }
}

}  // namespace

QAction* MainWindow::make_action(int command, const QString& caption) {
  QString text = caption;
  if (const char* keys = accelerator_for(key_alias(command))) {
    text += QLatin1Char('\t') +
            QKeySequence(QString::fromLatin1(keys)).toString(QKeySequence::NativeText);
  }
  auto* a = new QAction(text, this);
  connect(a, &QAction::triggered, this, [this, command] { this->command(command); });
  menu_actions_[command] = a;
  return a;
}

void MainWindow::build_actions() {
  // The accelerator keys belong to the window itself, so they work while
  // the menu bar is disabled during a run; each passes the same gates.
  for (const Accelerator& key : accelerators()) {
    auto* a = new QAction(this);
    a->setShortcut(QKeySequence(QString::fromLatin1(key.keys)));
    a->setShortcutContext(Qt::WindowShortcut);
    const int command = key.command;
    connect(a, &QAction::triggered, this, [this, command] { this->command(command); });
    addAction(a);
    key_actions_.emplace_back(command, a);
  }
  // The tree's own keys.
  const struct {
    int command;
    QKeySequence keys;
  } tree_keys[] = {{kCmdDelete, QKeySequence(Qt::Key_Delete)},
                   {kCmdCopyNode, QKeySequence(QStringLiteral("Ctrl+C"))},
                   {kCmdCut, QKeySequence(QStringLiteral("Ctrl+X"))},
                   {kCmdPaste, QKeySequence(QStringLiteral("Ctrl+V"))}};
  for (const auto& k : tree_keys) {
    auto* a = new QAction(tree_);
    a->setShortcut(k.keys);
    a->setShortcutContext(Qt::WidgetShortcut);
    const int command = k.command;
    connect(a, &QAction::triggered, this, [this, command] { this->command(command); });
    tree_->addAction(a);
  }
}

void MainWindow::build_menus() {
  struct Entry {
    int command;
    const char* caption;
  };
  auto add_menu = [this](const char* title, std::initializer_list<Entry> entries) {
    QMenu* m = menuBar()->addMenu(QString::fromUtf8(title));
    for (const Entry& e : entries) {
      if (e.command == 0) {
        m->addSeparator();
      } else {
        m->addAction(make_action(e.command, QString::fromUtf8(e.caption)));
      }
    }
    menubar_actions_.push_back(m->menuAction());
    return m;
  };
  add_menu("ファイル(&F)", {{kCmdImport, "インポート(&I)"},
                            {kCmdExport, "エクスポート(E)"},
                            {kCmdSaveLogHtml, "ログをHTML保存(&H)"},
                            {0, nullptr},
                            {kCmdBrowserView, "結果をブラウザで開く(&B)"},
                            {kCmdBrowserViewImage, "画像をブラウザで開く(G)"},
                            {0, nullptr},
                            {kCmdPrint, "印刷(&P)"},
                            {0, nullptr},
                            {kCmdExit, "アプリケーションの終了(&X)"}});
  add_menu("編集(&E)", {{kCmdCopy, "コピー(&C)"},
                        {kCmdCopyUrl, "URLをコピー(&L)"},
                        {0, nullptr},
                        {kCmdSearchGoogle, "Googleで検索(&S)"},
                        {kCmdSearchWikipedia, "Wikipediaで検索(&W)"},
                        {kCmdSearchDictionary, "gooで辞書検索(&G)"},
                        {kCmdOpenSelection, "ブラウザで開く(&B)"},
                        {0, nullptr},
                        {kCmdSelectAll, "すべて選択(&A)"}});
  add_menu("検索(&S)", {{kCmdFindMenu, "検索(&F)"},
                        {kCmdFindNextMenu, "次を検索(&N)"},
                        {0, nullptr},
                        {kCmdPastLogSearch, "過去ログ検索(&L)"},
                        {kCmdItemSearch, "アイテム検索(&I)"}});
  add_menu("表示(&V)",
           {{kCmdHistory, "開いたリンクの履歴(&H)"}, {kCmdLastUpdateTimes, "最終更新時刻(&L)"}});
  item_menu_ = add_menu("アイテム(&I)", {{kCmdOpenUrl, "URLをブラウザで開く(&B)"},
                                         {0, nullptr},
                                         {kCmdProperties, "設定(&S)"},
                                         {kCmdNewFolder, "フォルダを追加(&F)"},
                                         {kCmdNewItem, "アイテムを追加(&A)"},
                                         {0, nullptr},
                                         {kCmdCut, "切り取り(&T)"},
                                         {kCmdCopyNode, "コピー(&C)"},
                                         {kCmdPaste, "貼り付け(&P)"},
                                         {kCmdDelete, "削除(&D)"},
                                         {kCmdRename, "名前の変更(&M)"},
                                         {0, nullptr},
                                         {kCmdClearErrors, "エラーをクリア(&E)"},
                                         {kCmdClearResults, "結果をクリア(&R)"},
                                         {0, nullptr},
                                         {kCmdExpandAll, "すべて展開"},
                                         {kCmdCollapseAll, "すべて折りたたむ"}});
  connect(item_menu_, &QMenu::aboutToShow, this, [this] { update_item_menu(); });
  QAction* options = make_action(kCmdOptions, QStringLiteral("オプション(&O)"));
  menuBar()->addAction(options);
  menubar_actions_.push_back(options);
  add_menu("ヘルプ(&H)", {{kCmdRepair, "アイテムデータベースの修復"},
                          {0, nullptr},
                          {kCmdAbout, "バージョン情報(&A)"}});

  heading_menu_ = new QMenu(this);
  heading_menu_->addAction(
      make_action(kCmdViewerItemSettings, QStringLiteral("アイテムの設定(&S)")));
  heading_menu_->addAction(make_action(kCmdViewerOpenItem, QStringLiteral("アイテムを開く(&O)")));
  heading_menu_->addAction(make_action(kCmdViewerDeleteItem, QStringLiteral("アイテムの削除(&D)")));
}

void MainWindow::build_toolbar() {
  toolbar_ = addToolBar(QStringLiteral("toolbar"));
  toolbar_->setObjectName(QStringLiteral("toolbar"));
  toolbar_->setMovable(false);
  toolbar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
  for (const std::string& name : app_options::load_toolbar(app_.app_folder())) {
    const ToolbarEntry* e = find_toolbar_entry(name);
    if (!e) continue;
    if (e->button == Button::kSpacer) {
      toolbar_->addSeparator();
      continue;
    }
    auto* a = toolbar_->addAction(QString::fromUtf8(e->caption));
    a->setToolTip(
        QString::fromUtf8(e->button == Button::kTopmost ? topmost_tooltip(topmost_) : e->tooltip));
    const int command = e->command;
    connect(a, &QAction::triggered, this, [this, command] { this->command(command); });
    toolbar_actions_.emplace(e->button, a);
    const std::vector<MenuEntry>* drop = e->button == Button::kCheck    ? &check_dropdown()
                                         : e->button == Button::kReload ? &reload_dropdown()
                                                                        : nullptr;
    if (drop) {
      auto* menu = new QMenu(this);
      for (const MenuEntry& m : *drop) {
        const int c = m.command;
        connect(menu->addAction(QString::fromUtf8(m.caption)), &QAction::triggered, this,
                [this, c] { this->command(c); });
      }
      if (auto* button = qobject_cast<QToolButton*>(toolbar_->widgetForAction(a))) {
        button->setMenu(menu);
        button->setPopupMode(QToolButton::MenuButtonPopup);
      }
    }
  }
}

QAction* MainWindow::toolbar_action(Button b) const {
  auto it = toolbar_actions_.find(b);
  return it == toolbar_actions_.end() ? nullptr : it->second;
}

QAction* MainWindow::menu_action(int command) const {
  auto it = menu_actions_.find(command);
  return it == menu_actions_.end() ? nullptr : it->second;
}

void MainWindow::apply_flags() {
  for (const auto& [button, action] : toolbar_actions_) action->setEnabled(flags_.enabled(button));
  // A key whose command is gated off is let through to the focused widget
  // (Esc then ends an edit in the tree); command() applies the same gate.
  for (const auto& [command, action] : key_actions_) {
    if (const auto button = gating_button(command)) action->setEnabled(flags_.enabled(*button));
  }
}

void MainWindow::update_item_menu() {
  const auto kind = selected_kind();
  for (int c : item_menu_commands()) {
    if (c == 0) continue;
    if (QAction* a = menu_action(c)) a->setEnabled(item_command_enabled(c, kind));
  }
}

}  // namespace ks::gui
