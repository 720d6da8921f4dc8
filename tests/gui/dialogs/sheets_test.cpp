// The settings sheets on the real window and core: the page settings sheet
// (a round trip that writes what the command line's "set" writes, Cancel,
// one sheet at a time, the name limit, Tab order, the template form), the
// group sheet's bulk change with its Cancel, the check intervals of both
// sheets (kept by every save, written as "set" writes them), and the options
// sheet with its schedule page.
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <thread>

#include "app/options/schedule_options.h"
#include "compare/result_record.h"
#include "dialog_driver.h"
#include "fixture.h"
#include "gui/dialogs/page_sheet.h"
#include "gui/dialogs/text_limits.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "shell/tree_model.h"
#include "store/auth_pass.h"
#include "store/bulk_change.h"
#include "store/check_interval.h"
#include "store/page_settings_io.h"
#include "support/cli_runner.h"

using ks::gui::PropertySheet;
using ks::store::PageSettings;
using ks::test::click;
using ks::test::DialogScript;
using ks::test::GuiBench;
using ks::test::named;
using ks::test::retype;
using ks::test::with_text;

namespace {

std::string site_db(const std::string& folder) {
  return ks::read_file(folder + "/site.db").value_or("<missing>");
}

PageSettings settings_of(const std::string& folder) {
  PageSettings rec = ks::store::default_page_settings();
  ks::store::read_page_settings(folder, rec);
  return rec;
}

std::string sj(const char* utf8) {
  return ks::utf8_to_sjis(utf8);
}

PropertySheet* sheet_of(QDialog* d) {
  return qobject_cast<PropertySheet*>(d);
}

int page_sheets_open() {
  int n = 0;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && w->objectName() == QLatin1String("page_sheet")) ++n;
  }
  return n;
}

}  // namespace

class SheetsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void page_sheet_writes_what_the_command_line_writes() {
    GuiBench b;
    const auto start = [](PageSettings& s) {
      s.ng_words[0] = "keep";
      s.noproxy = 1;
      s.comment = "old";
    };
    const std::string by_sheet = b.add_item("a.dat", "http://a.test/", start);
    const std::string by_cli = b.add_item("c.dat", "http://a.test/", start);
    const ks::test::CliRun cli = ks::test::run_cli(
        KS_CLI_PATH, b.folder.app(),
        {"set", "c", "URL=http://b.test/x?y=1", "COMMENT=一行目\n二行目", "SITE_PRIORITY=2",
         "IGNORE_NUMBER_DIFF=1", "CHARSET_SEL=4", "USE_OLD_LOG=5", "NGWORD2=広告"});
    QCOMPARE(cli.status, 0);
    b.start();
    const bool ran =
        DialogScript()
            .then("page_sheet",
                  [](QDialog* d) {
                    PropertySheet* s = sheet_of(d);
                    retype(named<QLineEdit>(d, "url"), QStringLiteral("http://b.test/x?y=1"));
                    auto* comment = named<QPlainTextEdit>(d, "comment");
                    retype(comment, QStringLiteral("一行目"));
                    QTest::keyClick(comment, Qt::Key_Return);
                    ks::test::type(comment, QStringLiteral("二行目"));
                    ks::test::offering(d, "高")->setCurrentIndex(2);
                    s->tabs()->setCurrentIndex(1);
                    click(with_text(s->page(1), "数字の違いを無視する"));
                    ks::test::offering(s->page(1), "UTF-8")->setCurrentIndex(4);
                    retype(named<QSpinBox>(d, "use_old_log"), QStringLiteral("5"));
                    s->tabs()->setCurrentIndex(2);
                    retype(named<QLineEdit>(s->page(2), "word2"), QStringLiteral("広告"));
                    click(s->ok_button());
                  })
            .run([&] { b.window().properties(b.node("a")); });
    QVERIFY(ran);
    const PageSettings rec = settings_of(by_sheet);
    QCOMPARE(rec.url, std::string("http://b.test/x?y=1"));
    QCOMPARE(rec.comment, sj("一行目\r\n二行目"));
    QCOMPARE(rec.option_changed, 1);
    QCOMPARE(site_db(by_sheet), site_db(by_cli));
  }

  void cancel_writes_nothing_and_one_sheet_at_a_time() {
    GuiBench b;
    const std::string a = b.add_item("a.dat", "http://a.test/");
    b.add_item("c.dat", "http://c.test/");
    b.start();
    const std::string before = site_db(a);
    int name_bytes = -1;
    int second = -1;
    bool ran_check = true;
    const bool ran =
        DialogScript()
            .then("page_sheet",
                  [&](QDialog* d) {
                    retype(named<QLineEdit>(d, "url"), QStringLiteral("http://changed.test/"));
                    // 131 characters of two bytes: the 131st would pass 260 bytes.
                    auto* name = named<QLineEdit>(d, "name");
                    retype(name, QString(131, QChar(0x3042)));
                    name_bytes = static_cast<int>(ks::gui::sjis_bytes(name->text()));
                    // Neither a second sheet nor a check while this one is open.
                    b.window().properties(b.node("c"));
                    second = page_sheets_open();
                    b.window().command(32778);
                    ran_check = b.window().running();
                    click(sheet_of(d)->cancel_button());
                  })
            .run([&] { b.window().properties(b.node("a")); });
    QVERIFY(ran);
    QCOMPARE(name_bytes, 260);
    QCOMPARE(second, 1);
    QVERIFY(!ran_check);
    QCOMPARE(site_db(a), before);
    QVERIFY(ks::is_directory(b.folder.in_data("a.dat")));
    // Closed, the sheet opens again.
    QVERIFY(DialogScript()
                .then("page_sheet", [](QDialog* d) { click(sheet_of(d)->cancel_button()); })
                .run([&] { b.window().properties(b.node("c")); }));
  }

  void first_page_tab_order_and_the_template_form() {
    GuiBench b;
    b.folder.make_dir(sj("テンプレート/ブログ.tpl"));
    ks::store::PageSettings tpl = ks::store::default_page_settings();
    tpl.url = "blog.test";
    QVERIFY(ks::store::write_page_settings(b.folder.in_data(sj("テンプレート/ブログ.tpl")), tpl));
    b.add_item("a.dat", "http://blog.test/a", [](PageSettings& s) { s.use_template = 1; });
    b.start();
    QStringList order;
    QString template_line;
    bool proxy_enabled = true;
    QVERIFY(DialogScript()
                .then("page_sheet",
                      [&](QDialog* d) {
                        d->activateWindow();
                        QVERIFY(QTest::qWaitForWindowActive(d));
                        named<QLineEdit>(d, "name")->setFocus();
                        for (int i = 0; i < 6; ++i) {
                          QWidget* f = d->focusWidget();
                          QVERIFY(f);
                          order << (f ? f->objectName() : QString());
                          QTest::keyClick(f, Qt::Key_Tab);
                        }
                        template_line = named<QLabel>(d, "template_line")->text();
                        proxy_enabled = with_text(d, "Proxyを使用しない")->isEnabled();
                        click(sheet_of(d)->cancel_button());
                      })
                .run([&] { b.window().properties(b.node("a")); }));
    QCOMPARE(order,
             (QStringList{"name", "url", "test_url", "browse_url", "test_browse_url", "comment"}));
    QCOMPARE(template_line, QStringLiteral("ブログ"));
    QVERIFY(!proxy_enabled);  // the template supplies it

    QString title;
    QStringList captions;
    bool item_controls = true;
    QVERIFY(DialogScript()
                .then("page_sheet",
                      [&](QDialog* d) {
                        title = d->windowTitle();
                        for (QLabel* l : d->findChildren<QLabel*>()) captions << l->text();
                        item_controls =
                            with_text(d, "テスト") || with_text(d, "自動チェックしない") ||
                            with_text(d, "テンプレートを使用する") || ks::test::offering(d, "高");
                        click(sheet_of(d)->cancel_button());
                      })
                .run([&] { b.window().properties(b.node("テンプレート/ブログ")); }));
    QCOMPARE(title, QStringLiteral("テンプレートの編集"));
    for (const char* c : {"テンプレート名", "URLに含まれる文字列", "確認用URL"}) {
      QVERIFY2(captions.contains(QString::fromUtf8(c)), c);
    }
    QVERIFY(!item_controls);
  }

  void pages_with_forms_of_their_own() {
    GuiBench b;
    const std::string a = b.add_item("a.dat", "http://a.test/");
    const std::string tpl = b.folder.make_dir(sj("テンプレート/t.tpl"));
    QVERIFY(ks::store::write_page_settings(tpl, ks::store::default_page_settings()));
    for (const std::string& f : {a, tpl}) {
      QVERIFY(ks::compare::write_current_log_number(f, 2));
      for (int n = 0; n < 3; ++n) {
        for (const char* kind : {"log", "add"}) {
          QVERIFY(ks::write_file_atomic(f + "/" + kind + std::to_string(n) + ".txt", "x"));
        }
      }
    }
    QVERIFY(ks::write_file_atomic(
        a + "/html.txt", "HTTP/1.1 200 OK\r\nServer: t\r\nX-Long: " + std::string(600, 'v') +
                             "\r\n\r\n<html>body</html>\r\n"));
    b.start();
    // "情報": the header lines, each cut to 511 bytes. "認証": the password
    // is stored enciphered only.
    QStringList info;
    QVERIFY(DialogScript()
                .then("page_sheet",
                      [&](QDialog* d) {
                        PropertySheet* s = sheet_of(d);
                        s->tabs()->setCurrentIndex(8);
                        auto* list = named<QListWidget>(s->page(8), "info");
                        for (int i = 0; i < list->count(); ++i) info << list->item(i)->text();
                        s->tabs()->setCurrentIndex(5);
                        retype(named<QLineEdit>(s->page(5), "auth_pass"), QStringLiteral("s3cret"));
                        click(s->ok_button());
                      })
                .run([&] { b.window().properties(b.node("a")); }));
    QCOMPARE(info.size(), 3);
    QCOMPARE(info[2].size(), 511);
    const std::string stored = settings_of(a).auth_pass;
    QVERIFY(!stored.empty() && stored.find("s3cret") == std::string::npos);
    QVERIFY(site_db(a).find("s3cret") == std::string::npos);
    QCOMPARE(ks::store::decipher_password(stored), std::string("s3cret"));

    // The root sheet's one page clears the past logs of every item and
    // template, keeping the current ones.
    int pages = 0;
    QVERIFY(DialogScript()
                .then("root_sheet",
                      [&](QDialog* d) {
                        pages = sheet_of(d)->page_count();
                        QTimer::singleShot(0, named<QPushButton>(d, "clear_past_logs"),
                                           &QPushButton::click);
                      })
                .then("confirm_clear",
                      [](QDialog* d) {
                        click(qobject_cast<QMessageBox*>(d)->button(QMessageBox::Yes));
                      })
                .then("root_sheet", [](QDialog* d) { click(sheet_of(d)->ok_button()); })
                .run([&] { b.window().properties(b.core().tree().root()); }));
    QCOMPARE(pages, 1);
    for (const std::string& f : {a, tpl}) {
      QVERIFY(!ks::path_exists(f + "/log0.txt") && !ks::path_exists(f + "/add1.txt"));
      QVERIFY(ks::path_exists(f + "/log2.txt") && ks::path_exists(f + "/add2.txt"));
    }
  }

  void bulk_change_marks_only_the_ticked_settings_and_stops_on_cancel() {
    GuiBench b;
    std::vector<std::string> items;
    for (int i = 0; i < 100; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "g.grp/i%03d.dat", i);
      items.push_back(b.add_item(name, "http://item.test/", [](PageSettings& s) {
        s.ng_words[0] = "keep";
        s.noproxy = 1;
      }));
    }
    b.start();
    const ks::store::NodeId group = b.node("g");
    const auto mark = [](QWidget* page, ks::store::BulkField f) {
      auto* box = page->findChild<QCheckBox*>(QStringLiteral("mark%1").arg(static_cast<int>(f)));
      click(box);
    };
    QVERIFY(DialogScript()
                .then("group_sheet",
                      [&](QDialog* d) {
                        PropertySheet* s = sheet_of(d);
                        s->tabs()->setCurrentIndex(3);  // "一括チェック設定"
                        auto* number = with_text(s->page(3), "数字の違いを無視する");
                        const bool off_until_marked = !number->isEnabled();
                        mark(s->page(3), ks::store::BulkField::kIgnoreNumberDiff);
                        QVERIFY(off_until_marked && number->isEnabled());
                        click(number);
                        s->tabs()->setCurrentIndex(4);  // "一括NGワード設定"
                        mark(s->page(4), ks::store::ng_word_field(2));
                        retype(named<QLineEdit>(s->page(4), "word2"), QStringLiteral("広告"));
                        click(s->ok_button());
                      })
                .run([&] { b.window().properties(group); }));
    for (const std::string& f : items) {
      const PageSettings rec = settings_of(f);
      QCOMPARE(rec.ng_words[2], sj("広告"));
      QCOMPARE(rec.ignore_number_diff, 1);
      QCOMPARE(rec.ng_words[0], std::string("keep"));
      QCOMPARE(rec.ng_words[1], std::string());
      QCOMPARE(rec.noproxy, 1);
    }

    // Cancel while the walk waits before its 10th item: the nine before it
    // and that one stay changed, the rest are untouched.
    std::atomic<int> seen{0};
    std::atomic<bool> release{false};
    b.window().set_bulk_item_hook([&](const ks::store::Node&) {
      if (++seen == 10) {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    });
    bool cancelled_while_open = false;
    QVERIFY(DialogScript()
                .then("group_sheet",
                      [&](QDialog* d) {
                        PropertySheet* s = sheet_of(d);
                        s->tabs()->setCurrentIndex(4);
                        mark(s->page(4), ks::store::ng_word_field(3));
                        retype(named<QLineEdit>(s->page(4), "word3"), QStringLiteral("停止"));
                        click(s->ok_button());
                      })
                .then("bulk_progress",
                      [&](QDialog* d) {
                        QVERIFY(QTest::qWaitFor([&] { return seen >= 10; }, 20000));
                        click(named<QPushButton>(d, "cancel"));
                        cancelled_while_open = d->isVisible();  // it waits for the walk
                        release = true;
                      })
                .run([&] { b.window().properties(group); }));
    QVERIFY(cancelled_while_open);
    int changed = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
      const bool done = settings_of(items[i]).ng_words[3] == sj("停止");
      if (done) ++changed;
      QCOMPARE(done, i < 10);
    }
    QCOMPARE(changed, 10);
    QCOMPARE(seen.load(), 10);
    QVERIFY(b.window().menuBar()->actions().first()->isEnabled());  // menus back on
  }

  void check_intervals_survive_the_sheets_and_match_the_command_line() {
    GuiBench b;
    const std::string a = b.add_item("g.grp/a.dat", "http://a.test/");
    const std::string c = b.add_item("g.grp/c.dat", "http://a.test/");
    const std::string g = b.folder.in_data("g.grp");
    const auto cli = [&](std::vector<std::string> args) {
      return ks::test::run_cli(KS_CLI_PATH, b.folder.app(), std::move(args)).status;
    };
    QCOMPARE(cli({"set", "g/a", "SCHEDULE.INTERVAL=2h"}), 0);
    QCOMPARE(cli({"set", "g/c", "COMMENT=new"}), 0);
    QCOMPARE(cli({"set", "g/c", "SCHEDULE.INTERVAL=1d"}), 0);
    QCOMPARE(cli({"set", "g", "SCHEDULE.INTERVAL=1w"}), 0);
    b.start();
    // Saving other settings (the interval's page never shown) keeps it.
    QString shown;
    QVERIFY(DialogScript()
                .then("page_sheet",
                      [&](QDialog* d) {
                        shown = named<QLineEdit>(d, "check_interval")->text();
                        retype(named<QPlainTextEdit>(d, "comment"), QStringLiteral("new"));
                        click(sheet_of(d)->ok_button());
                      })
                .run([&] { b.window().properties(b.node("g/a")); }));
    QCOMPARE(shown, QStringLiteral("2h"));
    QCOMPARE(ks::store::read_check_interval(a, false), std::optional<int32_t>(120));
    // Set through the sheet, it writes what "set" writes.
    QVERIFY(DialogScript()
                .then("page_sheet",
                      [&](QDialog* d) {
                        PropertySheet* s = sheet_of(d);
                        s->tabs()->setCurrentIndex(1);
                        retype(named<QLineEdit>(s->page(1), "check_interval"),
                               QStringLiteral("1d"));
                        click(s->ok_button());
                      })
                .run([&] { b.window().properties(b.node("g/a")); }));
    QCOMPARE(site_db(a), site_db(c));
    // The group sheet: its own interval shown and cleared; its bulk change
    // rewrites the items' settings and keeps their intervals.
    QVERIFY(DialogScript()
                .then("group_sheet",
                      [&](QDialog* d) {
                        PropertySheet* s = sheet_of(d);
                        auto* line = named<QLineEdit>(s->page(0), "check_interval");
                        shown = line->text();
                        line->clear();
                        s->tabs()->setCurrentIndex(3);  // "一括チェック設定"
                        click(s->page(3)->findChild<QCheckBox*>(QStringLiteral("mark%1").arg(
                            static_cast<int>(ks::store::BulkField::kIgnoreNumberDiff))));
                        click(with_text(s->page(3), "数字の違いを無視する"));
                        click(s->ok_button());
                      })
                .run([&] { b.window().properties(b.node("g")); }));
    QCOMPARE(shown, QStringLiteral("1w"));
    QCOMPARE(ks::store::read_check_interval(g, true), std::nullopt);
    QCOMPARE(settings_of(a).ignore_number_diff, 1);
    QCOMPARE(ks::store::read_check_interval(a, false), std::optional<int32_t>(1440));
    QCOMPARE(ks::store::read_check_interval(c, false), std::optional<int32_t>(1440));
  }

  void bulk_template_flag_lists_items_no_template_matches() {
    GuiBench b;
    const std::string tpl = b.folder.make_dir(sj("テンプレート/blog.tpl"));
    PageSettings t = ks::store::default_page_settings();
    t.url = "blog.test";
    QVERIFY(ks::store::write_page_settings(tpl, t));
    const std::string in = b.add_item("g.grp/in.dat", "http://blog.test/a");
    const std::string out = b.add_item("g.grp/out.dat", "http://other.test/");
    b.start();
    QString message;
    QVERIFY(DialogScript()
                .then("group_sheet",
                      [](QDialog* d) {
                        PropertySheet* s = sheet_of(d);
                        s->tabs()->setCurrentIndex(2);  // "一括ページ設定"
                        click(s->page(2)->findChild<QCheckBox*>(QStringLiteral("mark%1").arg(
                            static_cast<int>(ks::store::BulkField::kUseTemplate))));
                        click(with_text(s->page(2), "テンプレートを使用する"));
                        click(s->ok_button());
                      })
                .then("エラー",
                      [&](QDialog* d) {
                        message = qobject_cast<QMessageBox*>(d)->text();
                        d->accept();
                      })
                .run([&] { b.window().properties(b.node("g")); }));
    QCOMPARE(message, QStringLiteral("該当するテンプレートの無いアイテムがあります"));
    QCOMPARE(settings_of(in).use_template, 1);
    QCOMPARE(settings_of(out).use_template, 1);  // written all the same
    QCOMPARE(b.window().tabs()->currentIndex(), 1);
    const QString listed = b.pane_text(1);
    QVERIFY2(listed.contains(QStringLiteral("out")) &&
                 listed.contains(QStringLiteral("該当するテンプレートがありません。")) &&
                 !listed.contains(QStringLiteral("in")),
             qPrintable(listed));
  }

  void options_cancel_changes_nothing_and_ok_saves() {
    // The autostart entry goes to a folder of the test's own.
    QTemporaryDir xdg;
    qputenv("XDG_CONFIG_HOME", xdg.path().toUtf8());
    GuiBench b;
    b.set_options([](ks::app_options::Options& o) { o.proxy_url = "proxy.test"; });
    b.add_item("g.grp/a.dat", "http://a.test/");
    b.start();
    const std::string ini_path = b.folder.app() + "kestrelscan.ini";
    const std::string before = ks::read_file(ini_path).value_or("");
    QVERIFY(!before.empty());
    QVERIFY(DialogScript()
                .then("options_sheet",
                      [](QDialog* d) {
                        PropertySheet* s = sheet_of(d);
                        QCOMPARE(s->page_count(), 11);
                        retype(named<QLineEdit>(s->page(0), "proxy_url"), QStringLiteral("x.test"));
                        s->tabs()->setCurrentIndex(3);
                        click(with_text(s->page(3), "リンクに下線を引く"));
                        s->tabs()->setCurrentIndex(10);  // "自動ﾁｪｯｸ"
                        retype(named<QLineEdit>(s->page(10), "schedule_interval"),
                               QStringLiteral("2h"));
                        click(named<QCheckBox>(s->page(10), "autostart"));
                        click(s->cancel_button());
                      })
                .run([&] { b.window().command(32777); }));
    QCOMPARE(ks::read_file(ini_path).value_or(""), before);
    QCOMPARE(b.core().options().proxy_url, std::string("proxy.test"));
    QCOMPARE(b.core().options().use_link_underline, 1);

    QVERIFY(DialogScript()
                .then("options_sheet",
                      [](QDialog* d) {
                        PropertySheet* s = sheet_of(d);
                        s->tabs()->setCurrentIndex(4);  // "ﾂﾘｰ表示"
                        auto* counts = with_text(s->page(4), "グループ内のアイテム数を表示する");
                        click(counts);
                        QVERIFY(counts->isChecked());
                        s->tabs()->setCurrentIndex(10);
                        QWidget* p = s->page(10);
                        retype(named<QLineEdit>(p, "schedule_interval"), QStringLiteral("90"));
                        retype(named<QLineEdit>(p, "schedule_hours"),
                               QStringLiteral("22:00-06:00"));
                        retype(named<QLineEdit>(p, "schedule_days"), QStringLiteral("mon-fri"));
                        click(named<QCheckBox>(p, "schedule_notify"));
                        click(named<QCheckBox>(p, "schedule_notify_errors"));
                        click(named<QCheckBox>(p, "autostart"));
                        click(s->ok_button());
                      })
                .run([&] { b.window().command(32777); }));
    const std::string ini = ks::read_file(ini_path).value_or("");
    QVERIFY(ini.find("TREEVIEW_DISP_ITEM_COUNT=1") != std::string::npos);
    const ks::app_options::ScheduleOptions sched = ks::app_options::parse_schedule(ini);
    QCOMPARE(sched.interval, 90);
    QCOMPARE(ks::app_options::hours_text(sched.window_start, sched.window_end),
             std::string("22:00-06:00"));
    QCOMPARE(ks::app_options::days_text(sched.days), std::string("mon-fri"));
    QCOMPARE(sched.notify, 0);
    QCOMPARE(sched.notify_errors, 1);
    QCOMPARE(sched.enabled, 1);
    QVERIFY(ks::is_regular_file(xdg.path().toStdString() + "/autostart/kestrelscan.desktop"));
    QCOMPARE(b.core().options().treeview_disp_item_count, 1);
    // The window follows at once: the group shows its item count.
    const QModelIndex g = b.window().model().index_of(b.node("g"));
    QCOMPARE(g.data().toString(), QStringLiteral("g 1"));
  }
};

QTEST_MAIN(SheetsTest)
#include "sheets_test.moc"
