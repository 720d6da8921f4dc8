// The tree gestures on the real window and core over a temporary data
// folder, driven as the user does (drags over rows, drops on the window,
// commands, typing a label, pressing the dialogs' buttons), each checked on
// the folders and files written: tree.db, the item folders, site.db, the
// trash.
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QStatusBar>
#include <QTreeView>
#include <QUrl>
#include <QtTest>

#include "fixture.h"
#include "gesture_script.h"
#include "gui/gestures/item_tree_view.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "shell/commands.h"
#include "shell/qt_text.h"
#include "shell/tree_model.h"
#include "support/temp_dir.h"

using ks::gui::ItemTreeView;
using ks::store::DropPosition;
using ks::store::NodeId;
using ks::test::GuiBench;
using ks::test::ModalScript;

namespace {

bool has_dir(GuiBench& b, const char* rel_utf8) {
  return ks::is_directory(b.folder.in_data(ks::utf8_to_sjis(rel_utf8)));
}

// tree.db as Unicode lines, without its warning line.
QStringList tree_db(GuiBench& b) {
  const auto bytes = ks::read_file(b.folder.data() + "/tree.db");
  if (!bytes) return {};
  QStringList lines = ks::gui::from_sjis(*bytes).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  if (!lines.isEmpty()) lines.removeFirst();
  return lines;
}

QString site_db(GuiBench& b, const char* rel_utf8) {
  const auto bytes = ks::read_file(b.folder.in_data(ks::utf8_to_sjis(rel_utf8)) + "/site.db");
  return bytes ? ks::gui::from_sjis(*bytes) : QString();
}

ItemTreeView* tree_of(GuiBench& b) {
  return qobject_cast<ItemTreeView*>(b.window().tree_view());
}

// Drags `source` over the tree to `fraction` of the height of `target`'s
// row; drops there when `drop`. Returns the mark the view showed.
std::optional<ks::gui::DropMark> drag_over(GuiBench& b, NodeId source, NodeId target,
                                           double fraction, bool drop) {
  ItemTreeView* view = tree_of(b);
  const QRect row = view->visualRect(b.window().model().index_of(target));
  const QPoint at(row.left() + 4, row.top() + static_cast<int>(row.height() * fraction));
  std::unique_ptr<QMimeData> mime(ks::gui::make_node_mime(source));
  QDragEnterEvent enter(at, Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(view->viewport(), &enter);
  QDragMoveEvent move(at, Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(view->viewport(), &move);
  const auto mark = view->drop_mark();
  if (drop) {
    QDropEvent dropped(QPointF(at), Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &dropped);
  }
  return mark;
}

// Drops data on the main window (over its result panes).
void drop_on_window(GuiBench& b, QMimeData* mime) {
  const QPoint at = b.window().rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&b.window(), &enter);
  QDropEvent dropped(QPointF(at), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&b.window(), &dropped);
}

// A link as a browser drags it: the address, and the title beside it.
QMimeData* browser_link(const QString& url, const QString& title) {
  auto* link = new QMimeData;
  link->setText(url);
  const QString moz = url + QLatin1Char('\n') + title;
  link->setData(QStringLiteral("text/x-moz-url"),
                QByteArray(reinterpret_cast<const char*>(moz.utf16()), moz.size() * 2));
  return link;
}

void start_unsorted(GuiBench& b) {
  b.set_options([](ks::app_options::Options& o) { o.auto_tree_sort = 0; });
  b.start();
  b.window().tree_view()->expandAll();
}

}  // namespace

class GesturesTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() { ::setenv("XDG_DATA_HOME", trash_home_.path().c_str(), 1); }

  void drags_land_by_the_quarter_of_a_group_row() {
    GuiBench b;
    b.add_item("g1.grp/a.dat", b.url("/a"));
    b.add_item("g2.grp/b.dat", b.url("/b"));
    b.add_item("x.dat", b.url("/x"));
    start_unsorted(b);
    const NodeId x = b.node("x");
    const NodeId g2 = b.node("g2");

    // Top quarter: before the group, in the same folder (only the order).
    auto mark = drag_over(b, x, g2, 0.1, true);
    QVERIFY(mark && mark->target == g2 && mark->where == DropPosition::kBefore);
    QCOMPARE(tree_db(b).mid(0, 4), QStringList({"g1.grp", "\ta.dat", "x.dat", "g2.grp"}));
    QVERIFY(has_dir(b, "x.dat"));
    QVERIFY(!tree_of(b)->drop_mark());  // the mark goes with the drop

    // Bottom quarter: after the group.
    mark = drag_over(b, b.node("x"), b.node("g2"), 0.9, true);
    QVERIFY(mark && mark->where == DropPosition::kAfter);
    QCOMPARE(tree_db(b).mid(0, 5),
             QStringList({"g1.grp", "\ta.dat", "g2.grp", "\tb.dat", "x.dat"}));

    // Middle half: into the group, first; the folder moves.
    QStringList statuses;
    QObject::connect(b.window().statusBar(), &QStatusBar::messageChanged,
                     [&](const QString& text) { statuses << text; });
    mark = drag_over(b, b.node("x"), b.node("g2"), 0.5, true);
    QVERIFY(statuses.contains(QStringLiteral("移動中 (x)...")));
    QVERIFY(mark && mark->where == DropPosition::kInto);
    QVERIFY(has_dir(b, "g2.grp/x.dat") && !has_dir(b, "x.dat"));
    QVERIFY(site_db(b, "g2.grp/x.dat").contains(QString::fromStdString(b.url("/x"))));
    QCOMPARE(tree_db(b).mid(2, 3), QStringList({"g2.grp", "\tx.dat", "\tb.dat"}));

    // An item's halves, and the template root that takes nothing.
    mark = drag_over(b, b.node("g1"), b.node("g2/b"), 0.25, false);
    QVERIFY(mark && mark->where == DropPosition::kBefore);
    mark = drag_over(b, b.node("g1"), b.node("g2/b"), 0.75, false);
    QVERIFY(mark && mark->where == DropPosition::kAfter);
    const NodeId templates = b.core().tree().resolve(ks::utf8_to_sjis("テンプレート"));
    QVERIFY(!drag_over(b, b.node("g1"), templates, 0.5, true));
    QVERIFY(has_dir(b, "g1.grp/a.dat"));
  }

  void dropped_link_and_link_file_become_items() {
    GuiBench b;
    start_unsorted(b);
    b.window().select_node(b.core().tree().root());
    // Every sheet the drops open is confirmed with OK.
    ModalScript ok([](QWidget* d, int) { ModalScript::press(d, QDialogButtonBox::Ok); });

    // A browser's link: the address as text, the title beside it.
    std::unique_ptr<QMimeData> link(
        browser_link(QStringLiteral("http://127.0.0.1:1/news"), QStringLiteral("今日のニュース")));
    drop_on_window(b, link.get());
    QVERIFY(QTest::qWaitFor([&] { return has_dir(b, "今日のニュース.dat"); }, 5000));
    QVERIFY(site_db(b, "今日のニュース.dat").contains(QStringLiteral("http://127.0.0.1:1/news")));

    // An Internet shortcut file: named by the file without ".url".
    ks::test::TempDir files;
    const std::string shortcut = files.path() + "/Example Site.url";
    QVERIFY(ks::write_file_atomic(shortcut, "[InternetShortcut]\r\nURL=http://127.0.0.1:1/ex\r\n"));
    QMimeData file;
    file.setUrls({QUrl::fromLocalFile(QString::fromStdString(shortcut))});
    drop_on_window(b, &file);
    QVERIFY(QTest::qWaitFor([&] { return has_dir(b, "Example Site.dat"); }, 5000));
    QVERIFY(site_db(b, "Example Site.dat").contains(QStringLiteral("URL=http://127.0.0.1:1/ex")));
    QVERIFY(b.node("Example Site") != ks::store::kNoNode);
  }

  void drops_are_refused_during_a_run() {
    GuiBench b;
    b.set_options([](ks::app_options::Options& o) {
      o.auto_tree_sort = 0;
      o.always_finish_message = 0;
    });
    b.server.on("/slow",
                ks::test::ScriptedResponse::trickle(ks::test::page_answer({"slow"}), " ", 10, 100));
    b.add_item("g.grp/slow.dat", b.url("/slow"));
    b.add_item("x.dat", b.url("/slow"));
    b.start();
    b.window().tree_view()->expandAll();
    ModalScript ok([](QWidget* d, int) { ModalScript::press(d, QDialogButtonBox::Ok); });
    b.window().select_node(b.core().tree().root());
    b.window().command(ks::gui::kCmdCheck);
    QVERIFY(b.window().running());
    std::unique_ptr<QMimeData> link(
        browser_link(QStringLiteral("http://127.0.0.1:1/late"), QStringLiteral("late")));
    drop_on_window(b, link.get());
    QVERIFY(!drag_over(b, b.node("x"), b.node("g"), 0.5, true));
    QVERIFY(QTest::qWaitFor([&] { return !b.window().running(); }, 60000));
    QVERIFY(ok.seen().empty());
    QVERIFY(!has_dir(b, "late.dat") && has_dir(b, "x.dat") && !has_dir(b, "g.grp/x.dat"));
  }

  void overwrite_no_to_all_skips_every_later_conflict() {
    GuiBench b;
    for (const char* rel : {"src.grp/a.dat", "src.grp/b.dat", "src.grp/c.dat"}) {
      b.add_item(rel, b.url("/new"));
    }
    b.add_item("dst.grp/src.grp/a.dat", b.url("/old"));
    b.add_item("dst.grp/src.grp/b.dat", b.url("/old"));
    start_unsorted(b);
    QStringList statuses;
    QObject::connect(b.window().statusBar(), &QStatusBar::messageChanged,
                     [&](const QString& s) { statuses << s; });
    // The group itself: "はい" (copy into it); then "すべていいえ" at a.
    ModalScript script([](QWidget* d, int i) {
      ModalScript::press(
          d, i == 0 ? QStringLiteral("overwrite_yes") : QStringLiteral("overwrite_none"));
    });
    b.window().select_node(b.node("src"));
    b.window().command(ks::gui::kCmdCopyNode);
    b.window().select_node(b.node("dst"));
    b.window().command(ks::gui::kCmdPaste);

    QCOMPARE(script.seen().size(), std::size_t{2});  // b was never asked about
    QVERIFY(script.seen()[1].startsWith(QStringLiteral("a\n\n同名のアイテムが存在します。")));
    const QString old_url = QString::fromStdString(b.url("/old"));
    QVERIFY(site_db(b, "dst.grp/src.grp/a.dat").contains(old_url));
    QVERIFY(site_db(b, "dst.grp/src.grp/b.dat").contains(old_url));
    QVERIFY(site_db(b, "dst.grp/src.grp/c.dat").contains(QString::fromStdString(b.url("/new"))));
    QVERIFY(has_dir(b, "src.grp/a.dat"));  // a copy leaves the source
    QVERIFY(statuses.contains(QStringLiteral("コピー中 (c)...")));
    QVERIFY(b.window().status_text().isEmpty());
  }

  void paste_refusals_name_the_reason() {
    GuiBench b;
    b.add_item("g.grp/sub.grp/a.dat", b.url("/a"));
    start_unsorted(b);
    ModalScript script([](QWidget* d, int) { ModalScript::press(d, QDialogButtonBox::Ok); });
    b.window().select_node(b.node("g/sub/a"));
    b.window().command(ks::gui::kCmdCut);
    b.window().command(ks::gui::kCmdPaste);
    b.window().select_node(b.node("g"));
    b.window().command(ks::gui::kCmdCopyNode);
    b.window().select_node(b.node("g/sub"));
    b.window().command(ks::gui::kCmdPaste);
    QCOMPARE(script.seen(),
             std::vector<QString>(
                 {QStringLiteral("自分自身にコピーすることはできません。"),
                  QStringLiteral("自分自身のサブディレクトリにコピーすることはできません。")}));
    QVERIFY(has_dir(b, "g.grp/sub.grp/a.dat") && !has_dir(b, "g.grp/sub.grp/g.grp"));
  }

  void new_items_take_free_names_and_refuse_an_empty_one() {
    GuiBench b;
    start_unsorted(b);
    b.window().select_node(b.core().tree().root());
    {
      ModalScript ok([](QWidget* d, int) { ModalScript::press(d, QDialogButtonBox::Ok); });
      b.window().command(ks::gui::kCmdNewItem);
      b.window().command(ks::gui::kCmdAddPageButton);
    }
    QVERIFY(has_dir(b, "新規ページ.dat") && has_dir(b, "新規ページ(2).dat"));
    // A new folder is named the same way and opens its label for editing.
    b.window().select_node(b.node("新規ページ"));
    b.window().command(ks::gui::kCmdNewFolder);
    QVERIFY(has_dir(b, "新規フォルダ.grp"));
    QVERIFY(b.window().tree_view()->findChild<QLineEdit*>());
    QTest::keyClick(b.window().tree_view()->findChild<QLineEdit*>(), Qt::Key_Escape);
    QVERIFY(site_db(b, "新規ページ(2).dat").contains(QStringLiteral("USE_OLD_LOG=1")));

    // The name emptied in the sheet: told, the sheet again, then Cancel.
    b.window().select_node(b.core().tree().root());
    ModalScript script([](QWidget* d, int i) {
      if (i == 0) {
        for (QLineEdit* e : d->findChildren<QLineEdit*>()) {
          if (e->text() == QStringLiteral("新規ページ(3)")) e->clear();
        }
        ModalScript::press(d, QDialogButtonBox::Ok);
      } else if (i == 1) {
        ModalScript::press(d, QDialogButtonBox::Ok);
      } else {
        ModalScript::press(d, QDialogButtonBox::Cancel);
      }
    });
    b.window().command(ks::gui::kCmdNewItem);
    QCOMPARE(script.seen().size(), std::size_t{3});
    QCOMPARE(script.seen()[1], QStringLiteral("サイト名を入力してください。"));
    QVERIFY(!has_dir(b, "新規ページ(3).dat"));
  }

  void fifty_templates_are_the_limit() {
    GuiBench b;
    for (int i = 0; i < 50; ++i) {
      const std::string rel = "テンプレート/t" + std::to_string(i) + ".tpl";
      b.add_item(rel, b.url("/t"));
    }
    start_unsorted(b);
    b.window().select_node(b.core().tree().resolve(ks::utf8_to_sjis("テンプレート")));
    ModalScript ok([](QWidget* d, int) { ModalScript::press(d, QDialogButtonBox::Ok); });
    b.window().command(ks::gui::kCmdNewItem);
    QVERIFY(ok.seen().empty());  // no sheet for a 51st
    QVERIFY(!has_dir(b, "テンプレート/新規テンプレート.tpl"));
  }

  void bookmarks_export_and_import_through_the_file_dialogs() {
    GuiBench b;
    b.add_item("g.grp/a.dat", b.url("/a"));
    b.add_item("b.dat", b.url("/b"));
    start_unsorted(b);
    ks::test::TempDir out;
    const QString dir = QString::fromStdString(out.path());
    const QDate today = QDate::currentDate();
    const QString proposed = QStringLiteral("bookmarks_%1_%2_%3.html")
                                 .arg(today.year(), 4, 10, QLatin1Char('0'))
                                 .arg(today.month(), 2, 10, QLatin1Char('0'))
                                 .arg(today.day(), 2, 10, QLatin1Char('0'));
    // The save dialog keeps the name it proposes; the open dialog is typed into.
    ModalScript script([&](QWidget* d, int) {
      if (auto* dialog = qobject_cast<QFileDialog*>(d)) {
        dialog->setDirectory(dir);
        if (dialog->acceptMode() == QFileDialog::AcceptOpen) {
          dialog->findChild<QLineEdit*>()->setText(dir + QLatin1Char('/') + proposed);
        }
        static_cast<QDialog*>(dialog)->accept();  // as the OK button does
      } else {
        ModalScript::press(d, QDialogButtonBox::Ok);
      }
    });
    b.window().command(ks::gui::kCmdExport);
    const auto html = ks::read_file(out.path() + "/" + proposed.toStdString());
    QVERIFY(html && html->starts_with("<!DOCTYPE NETSCAPE-Bookmark-file-1>"));
    QVERIFY(html->find("<DT><A HREF=\"" + b.url("/a") + "\">a</A>") != std::string::npos);
    QCOMPARE(b.window().status_text(), QStringLiteral("エクスポート完了"));

    b.window().command(ks::gui::kCmdImport);
    QVERIFY(site_db(b, "インポートされたブックマーク.grp/g.grp/a.dat")
                .contains(QString::fromStdString(b.url("/a"))));
    QVERIFY(b.node("インポートされたブックマーク/b") != ks::store::kNoNode);
    QCOMPARE(b.window().status_text(), QStringLiteral("ブックマークのインポート完了(2件)"));
  }

  void rename_in_place_renames_the_folder() {
    GuiBench b;
    b.add_item("a.dat", b.url("/a"));
    start_unsorted(b);
    QTreeView* view = b.window().tree_view();
    b.window().select_node(b.node("a"));
    b.window().command(ks::gui::kCmdRename);
    auto* editor = view->findChild<QLineEdit*>();
    QVERIFY(editor);
    // Typed through the input method: the text arrives whole.
    editor->selectAll();
    editor->insert(QStringLiteral("日記:2024"));
    QTest::keyClick(editor, Qt::Key_Return);  // the view commits on its next turn
    // The label keeps the colon; the folder takes its encoded name.
    QVERIFY(QTest::qWaitFor([&] { return b.node("日記:2024") != ks::store::kNoNode; }, 5000));
    QVERIFY(!has_dir(b, "a.dat"));
    QVERIFY(site_db(b, "日記%3a2024.dat").contains(QString::fromStdString(b.url("/a"))) ||
            site_db(b, "日記%3A2024.dat").contains(QString::fromStdString(b.url("/a"))));

    // A label too long for a folder: told, and the old label stays.
    ModalScript ok([](QWidget* d, int) { ModalScript::press(d, QDialogButtonBox::Ok); });
    b.window().select_node(b.node("日記:2024"));
    b.window().command(ks::gui::kCmdRename);
    editor = view->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->setText(QString(140, QChar(0x65E5)));  // 280 bytes
    QTest::keyClick(editor, Qt::Key_Return);
    QVERIFY(QTest::qWaitFor([&] { return !ok.seen().empty(); }, 5000));
    QCOMPARE(ok.seen(), std::vector<QString>({QStringLiteral("サイト名が長すぎます。")}));
    QVERIFY(b.node("日記:2024") != ks::store::kNoNode);
  }

  void delete_asks_then_sends_the_group_to_the_trash() {
    GuiBench b;
    b.add_item("g.grp/a.dat", b.url("/a"));
    b.add_item("keep.dat", b.url("/k"));
    start_unsorted(b);
    {
      ModalScript no([](QWidget* d, int) { ModalScript::press(d, QDialogButtonBox::No); });
      b.window().select_node(b.node("g"));
      b.window().command(ks::gui::kCmdDelete);
      QCOMPARE(no.seen(),
               std::vector<QString>({QStringLiteral("g\r\nを削除します。よろしいですか？")}));
    }
    QVERIFY(has_dir(b, "g.grp/a.dat"));
    ModalScript yes([](QWidget* d, int) { ModalScript::press(d, QDialogButtonBox::Yes); });
    b.window().select_node(b.node("g"));
    b.window().command(ks::gui::kCmdDeleteButton);
    QVERIFY(!has_dir(b, "g.grp"));
    QVERIFY(ks::is_directory(trash_home_.path() + "/Trash/files/g.grp/a.dat"));
    QCOMPARE(tree_db(b), QStringList({"keep.dat", "テンプレート"}));
    QCOMPARE(b.window().status_text(), QStringLiteral("削除しました"));
  }

  void repair_rebuilds_the_tree_from_the_folders() {
    GuiBench b;
    b.add_item("a.dat", b.url("/a"));
    start_unsorted(b);
    // Folders made behind the program's back, one a template without ".tpl".
    b.add_item("late.grp/b.dat", b.url("/b"));
    b.add_item("テンプレート/bare", b.url("/t"));
    const QStringList before = tree_db(b);
    {
      ModalScript cancel([](QWidget* d, int) { ModalScript::press(d, QDialogButtonBox::Cancel); });
      b.window().command(ks::gui::kCmdRepair);
      QCOMPARE(cancel.seen().size(), std::size_t{1});
    }
    QCOMPARE(tree_db(b), before);
    ModalScript ok([](QWidget* d, int) { ModalScript::press(d, QDialogButtonBox::Ok); });
    b.window().command(ks::gui::kCmdRepair);
    QVERIFY(b.node("late/b") != ks::store::kNoNode);
    QVERIFY(tree_db(b).contains(QStringLiteral("\tb.dat")));
    QVERIFY(has_dir(b, "テンプレート/bare.tpl") && !has_dir(b, "テンプレート/bare"));
    QCOMPARE(b.window().status_text(), QStringLiteral("修復完了"));
  }

 private:
  ks::test::TempDir trash_home_;
};

QTEST_MAIN(GesturesTest)
#include "gestures_test.moc"
