// The window's commands without a run: the item menu's enabling for each
// node kind, the run-state rule's flags, the toolbar from toolbar.db with
// its drop-downs and the TOPMOST tooltip, the command-line words with exact
// case, the about box's library lines and the task monitor's number form.
#include <QMenu>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include "fixture.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "shell/about_box.h"
#include "shell/command_line.h"
#include "shell/commands.h"
#include "shell/task_monitor.h"
#include "shell/tree_model.h"

using ks::gui::Button;
using ks::store::NodeKind;
using ks::test::GuiBench;
namespace gui = ks::gui;

class WidgetsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void item_menu_follows_the_selected_kind() {
    GuiBench b;
    b.add_item("g.grp/i.dat", "http://127.0.0.1:9/");
    b.add_item(ks::sjis_to_utf8(KS_SJ("テンプレート")) + "/t.tpl", "http://127.0.0.1:9/");
    b.start();
    // Columns: root, group, item, template root, template.
    const struct {
      int command;
      const char* row;
    } table[] = {
        {gui::kCmdOpenUrl, "00100"},      {gui::kCmdProperties, "11111"},
        {gui::kCmdNewFolder, "11100"},    {gui::kCmdNewItem, "11111"},
        {gui::kCmdCut, "01100"},          {gui::kCmdCopyNode, "01100"},
        {gui::kCmdPaste, "11100"},        {gui::kCmdDelete, "01101"},
        {gui::kCmdRename, "01101"},       {gui::kCmdClearErrors, "11111"},
        {gui::kCmdClearResults, "11111"}, {gui::kCmdExpandAll, "11010"},
        {gui::kCmdCollapseAll, "11010"},
    };
    const std::string tpl_root = ks::sjis_to_utf8(KS_SJ("テンプレート"));
    const ks::store::NodeId nodes[] = {b.core().tree().root(), b.node("g"), b.node("g/i"),
                                       b.node(tpl_root), b.node(tpl_root + "/t")};
    for (int k = 0; k < 5; ++k) {
      QVERIFY(nodes[k] != ks::store::kNoNode);
      b.window().select_node(nodes[k]);
      const auto kind = static_cast<NodeKind>(k);
      for (const auto& row : table) {
        const bool want = row.row[k] == '1';
        QCOMPARE(gui::item_command_enabled(row.command, kind), want);
        QAction* a = b.window().menu_action(row.command);
        QVERIFY(a);
        QCOMPARE(a->isEnabled(), want);
      }
    }
    QVERIFY(gui::item_command_enabled(gui::kCmdDelete, std::nullopt));
    // The two "open everything" entries never appear.
    for (QAction* a : b.window().findChildren<QAction*>()) {
      QVERIFY(!a->text().contains(QStringLiteral("ﾌﾞﾗｳｻﾞで開く")));
    }
  }

  void rename_in_place_renames_the_folder() {
    GuiBench b;
    b.add_item("g.grp/i.dat", "http://127.0.0.1:9/");
    b.start();
    ks::gui::TreeModel& m = b.window().model();
    const QModelIndex item = m.index_of(b.node("g/i"));
    QVERIFY(m.setData(item, QStringLiteral("新:名")));
    QCOMPARE(m.index_of(b.node("g/新:名")).data(Qt::EditRole).toString(), QStringLiteral("新:名"));
    QVERIFY(ks::path_exists(b.folder.in_data(KS_SJ("g.grp/新%3a名.dat/site.db"))));
    QVERIFY(!ks::path_exists(b.folder.in_data("g.grp/i.dat")));
  }

  void run_state_rule_sets_the_toolbar_flags() {
    const auto idle = gui::button_flags(false, NodeKind::kGroup);
    for (const gui::ToolbarEntry& e : gui::toolbar_table()) {
      if (e.button == Button::kSpacer) continue;
      QCOMPARE(idle.enabled(e.button), e.button != Button::kStop);
    }
    const auto group = gui::button_flags(true, NodeKind::kGroup);
    for (Button off : {Button::kCheck, Button::kReload, Button::kReloadAll, Button::kConfig,
                       Button::kAddPage, Button::kNextKeyword, Button::kBrowserView,
                       Button::kBrowserViewImage, Button::kConfirm}) {
      QVERIFY(!group.enabled(off));
    }
    for (Button on : {Button::kStop, Button::kTopmost, Button::kFind, Button::kFindNext,
                      Button::kNextHeadline, Button::kPrevHeadline, Button::kTaskMonitor}) {
      QVERIFY(group.enabled(on));
    }
    QVERIFY(gui::button_flags(true, NodeKind::kItem).enabled(Button::kConfirm));
    QVERIFY(gui::button_flags(true, NodeKind::kTemplate).enabled(Button::kConfirm));
    // Gates: the check kinds ride on CHECK, Esc on STOP.
    QCOMPARE(gui::gating_button(gui::kCmdCheckCommErrors), Button::kCheck);
    QCOMPARE(gui::gating_button(gui::kCmdStop), Button::kStop);
    QVERIFY(gui::idle_only(gui::kCmdFindPrevious));
  }

  void esc_without_a_run_does_nothing() {
    GuiBench b;
    b.start();
    b.window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&b.window()));
    QVERIFY(!b.window().command_allowed(gui::kCmdStop));
    QTest::keyClick(&b.window(), Qt::Key_Escape);
    QVERIFY(!b.window().running());
    QVERIFY(!b.window().closing());
    QVERIFY(b.window().isVisible());
  }

  void toolbar_comes_from_toolbar_db() {
    GuiBench b;
    ks::write_file_atomic(b.folder.app() + "toolbar.db",
                          "CHECK\r\nSPACER\r\nRELOAD\r\nTOPMOST\r\nNOSUCH\r\ncheck\r\n");
    b.start();
    QToolBar* bar = b.window().toolbar();
    QStringList captions;
    for (QAction* a : bar->actions())
      captions << (a->isSeparator() ? QStringLiteral("|") : a->text());
    QCOMPARE(captions, (QStringList{QStringLiteral("チェック"), QStringLiteral("|"),
                                    QStringLiteral("リロード"), QStringLiteral("最前面に固定")}));
    QAction* check = b.window().toolbar_action(Button::kCheck);
    QCOMPARE(check->toolTip(), QStringLiteral("チェック開始 (Ctrl+G)"));
    auto* drop = qobject_cast<QToolButton*>(bar->widgetForAction(check));
    QVERIFY(drop && drop->menu());
    QCOMPARE(drop->menu()->actions().size(), 6);
    QCOMPARE(drop->menu()->actions().at(5)->text(), QStringLiteral("重要度（普通）のアイテム"));
    auto* reload = qobject_cast<QToolButton*>(
        bar->widgetForAction(b.window().toolbar_action(Button::kReload)));
    QCOMPARE(reload->menu()->actions().at(1)->text(),
             QStringLiteral("すべてのアイテム(CTRL+SHIFT+R)"));
    QAction* top = b.window().toolbar_action(Button::kTopmost);
    QCOMPARE(top->toolTip(), QStringLiteral("最前面に固定 (Ctrl+T)"));
    b.window().command(gui::kCmdTopmost);
    QCOMPARE(top->toolTip(), QStringLiteral("最前面を解除 (Ctrl+T)"));
    QVERIFY(b.window().windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(b.close_and_wait(5000));
    QVERIFY(ks::read_file(b.folder.app() + "winpos.db").value_or("").find("TOPMOST=1") !=
            std::string::npos);
  }

  void placement_is_kept_inside_the_work_area() {
    GuiBench b;
    ks::write_file_atomic(b.folder.app() + "winpos.db",
                          "[POSITION]\r\nLEFT=5000\r\nTOP=-40\r\nCX=100000\r\nCY=300\r\nW=180\r\n");
    b.start();
    const QRect work = b.window().screen()->availableGeometry();
    QCOMPARE(b.window().pos(), work.topLeft());
    QCOMPARE(b.window().width(), work.width());
    QCOMPARE(b.window().height(), 300);
    QVERIFY(b.close_and_wait(5000));
    const std::string saved = ks::read_file(b.folder.app() + "winpos.db").value_or("");
    QVERIFY2(saved.find("W=180\r\n") != std::string::npos, saved.c_str());
    QVERIFY(saved.find("CY=300\r\n") != std::string::npos);
  }

  void default_toolbar_has_every_default_button() {
    GuiBench b;
    ks::write_file_atomic(b.folder.app() + "toolbar.db", "NOSUCH\r\n");
    b.start();
    int buttons = 0;
    int gaps = 0;
    for (QAction* a : b.window().toolbar()->actions()) (a->isSeparator() ? gaps : buttons) += 1;
    QCOMPARE(buttons, 16);
    QCOMPARE(gaps, 4);
    QCOMPARE(gui::toolbar_table().size(), std::size_t{19});
  }

  void command_line_words_keep_their_case() {
    auto cl = gui::parse_command_line({"/minimize", "/CHECK_ALL_ITEMS", "--home", "/x", "junk"});
    QVERIFY(!cl.minimize);
    QVERIFY(cl.check_all_items);
    QCOMPARE(cl.home.value_or(""), std::string("/x"));
    QVERIFY(cl.error.empty());
    cl = gui::parse_command_line({"--minimize", "--disable-startup-options", "--home=/y"});
    QVERIFY(cl.minimize && cl.disable_startup_options);
    QCOMPARE(cl.home.value_or(""), std::string("/y"));
    QVERIFY(!gui::parse_command_line({"--home"}).error.empty());

    // START_MINIMIZED and STARTUP_CHECK apply unless switched off;
    // /CHECK_ALL_ITEMS and /MINIMIZE apply regardless.
    auto off = gui::parse_command_line({"/DISABLE_STARTUP_OPTIONS"});
    auto choice = gui::startup_choice(off, true, true);
    QVERIFY(!choice.minimized && !choice.check);
    off.check_all_items = true;
    QVERIFY(gui::startup_choice(off, true, true).check);
    choice = gui::startup_choice(gui::parse_command_line({}), true, true);
    QVERIFY(choice.minimized && choice.check);
  }

  void about_box_and_monitor_numbers() {
    const QString lines = gui::library_lines();
    QVERIFY(lines.startsWith(QStringLiteral("zlibのﾊﾞｰｼﾞｮﾝ : ")));
    QVERIFY(lines.contains(QStringLiteral("OpenSSL")));
    QVERIFY(lines.contains(QStringLiteral("正規表現ﾗｲﾌﾞﾗﾘ")));
    QCOMPARE(gui::group_thousands(1234567), QStringLiteral("1,234,567"));
    QCOMPARE(gui::group_thousands(999), QStringLiteral("999"));
    QCOMPARE(gui::group_thousands(1000), QStringLiteral("1,000"));
    QCOMPARE(gui::group_thousands(0), QStringLiteral("0"));
    QVERIFY(gui::monitor_rows(nullptr).empty());
  }
};

QTEST_MAIN(WidgetsTest)
#include "widgets_test.moc"
