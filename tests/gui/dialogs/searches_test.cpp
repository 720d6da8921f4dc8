// The search dialogs on the real window and core: the item search's age
// boundary in list and next-match mode, and the past-log search that finds
// full-width text from half-width kana, writes into the first result tab
// and stops between items when "中止" is pressed.
#include <fcntl.h>
#include <sys/stat.h>

#include <QComboBox>
#include <QSpinBox>
#include <QtTest>
#include <atomic>
#include <thread>

#include "compare/result_record.h"
#include "dialog_driver.h"
#include "fixture.h"
#include "gui/dialogs/item_search_dialog.h"
#include "gui/dialogs/log_search_dialog.h"
#include "gui/viewer/result_view.h"
#include "platform/fs.h"
#include "platform/sjis.h"

using ks::test::click;
using ks::test::GuiBench;
using ks::test::named;
using ks::test::retype;

namespace {

constexpr int64_t kNow = 1700000000;
constexpr int64_t kDay = 86400;

// An item whose current add log (number 0) holds `log` and was last changed
// at `changed`.
void logged_item(GuiBench& b, const std::string& rel, int64_t changed, const std::string& log) {
  const std::string folder = b.add_item(rel, "http://item.test/");
  QVERIFY(ks::compare::write_current_log_number(folder, 0));
  const std::string add = folder + "/add0.txt";
  QVERIFY(ks::write_file_atomic(add, log));
  const struct timespec times[2] = {{static_cast<time_t>(changed), 0},
                                    {static_cast<time_t>(changed), 0}};
  QCOMPARE(::utimensat(AT_FDCWD, add.c_str(), times, 0), 0);
}

ks::gui::SearchHost host_of(GuiBench& b, ks::store::NodeId from) {
  ks::gui::SearchHost h;
  h.tree = &b.core().tree();
  h.templates = &b.core().templates();
  h.options = &b.core().options();
  h.base_folder = b.core().folders().base;
  h.selected = [from] { return from; };
  h.list_pane = [&b]() -> ks::present::Pane* { return &b.window().result(0); };
  h.now = [] { return kNow; };
  return h;
}

}  // namespace

class SearchesTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void item_search_age_boundary() {
    GuiBench b;
    logged_item(b, "exactly.dat", kNow - 3 * kDay, "x");
    logged_item(b, "older.dat", kNow - 3 * kDay - 1, "x");
    b.add_item("never.dat", "http://item.test/");
    b.start();
    ks::store::NodeId selected = ks::store::kNoNode;
    ks::gui::SearchHost host = host_of(b, b.core().tree().root());
    host.select = [&](ks::store::NodeId id) { selected = id; };
    ks::app::ItemSearchSettings settings;
    ks::gui::ItemSearchDialog d(&b.window(), settings, host);
    d.show();
    click(named<QCheckBox>(&d, "use_time"));
    retype(named<QSpinBox>(&d, "count"), QStringLiteral("3"));
    named<QComboBox>(&d, "unit")->setCurrentIndex(1);       // "日"
    named<QComboBox>(&d, "direction")->setCurrentIndex(1);  // "以上更新のない"
    click(named<QPushButton>(&d, "list"));
    QVERIFY(QTest::qWaitFor([&] { return named<QPushButton>(&d, "list")->isEnabled(); }));
    const QString listed = b.pane_text(0);
    QVERIFY2(listed.contains(QStringLiteral("older")), qPrintable(listed));
    QVERIFY(!listed.contains(QStringLiteral("exactly")));
    QVERIFY(!listed.contains(QStringLiteral("never")));  // no update information
    QVERIFY(listed.contains(QStringLiteral("3日前:")));
    // "次を検索" selects the one match after the selection.
    click(named<QPushButton>(&d, "next"));
    QVERIFY(QTest::qWaitFor([&] { return selected != ks::store::kNoNode; }));
    QCOMPARE(selected, b.node("older"));
    // The settings stay for the next time the dialog opens.
    QVERIFY(settings.use_time && settings.older && settings.count == 3);
  }

  void find_dialog_keeps_its_text_for_find_next() {
    GuiBench b;
    b.start();
    ks::gui::ResultView& pane = b.window().result(0);
    pane.begin();
    pane.write_text(ks::utf8_to_sjis("一行目 更新\r\n二行目\r\n三行目 更新\r\n"));
    pane.end();
    b.window().command(32790);  // "検索"
    auto* d = b.window().findChild<QDialog*>(QStringLiteral("find"));
    QVERIFY(d && d->isVisible());
    retype(named<QLineEdit>(d, "text"), QStringLiteral("更新"));
    const auto start = [&pane] { return pane.selection() ? pane.selection()->start : 0; };
    click(ks::test::with_text<QPushButton>(d, "次を検索"));
    const std::size_t first = start();
    QCOMPARE(pane.selected_text(), ks::utf8_to_sjis("更新"));
    d->close();
    b.window().command(32791);  // "次を検索" repeats the kept text
    QVERIFY(start() > first);
    QCOMPARE(pane.selected_text(), ks::utf8_to_sjis("更新"));
    b.window().command(32792);  // backward, to the first again
    QCOMPARE(start(), first);
  }

  void past_log_search_finds_full_width_from_half_width_and_stops() {
    GuiBench b;
    for (int i = 0; i < 30; ++i) {
      char rel[32];
      std::snprintf(rel, sizeof rel, "g.grp/i%02d.dat", i);
      logged_item(b, rel, kNow, ks::utf8_to_sjis("お知らせ\r\nヴァイオリン教室のご案内\r\n"));
    }
    b.start();
    const ks::store::NodeId group = b.node("g");
    const QString half = QString::fromUtf8("ｳﾞｧｲｵﾘﾝ");
    const auto hits = [&b] { return b.pane_text(0).count(QStringLiteral("ヴァイオリン教室")); };

    QStringList statuses;
    std::vector<bool> busy;
    ks::gui::SearchHost host = host_of(b, group);
    host.status = [&](const QString& s) { statuses << s; };
    host.busy = [&](bool on) { busy.push_back(on); };
    {
      ks::gui::LogSearchDialog d(&b.window(), host);
      d.show();
      retype(d.text_edit(), half);
      click(d.start_button());
      QVERIFY(QTest::qWaitFor([&] { return !d.isVisible(); }, 30000));
    }
    QCOMPARE(hits(), 30);
    QCOMPARE(statuses.last(), QStringLiteral("検索完了"));
    QCOMPARE(busy, (std::vector<bool>{true, false}));

    // Held before its 5th item, the search is stopped: the four items
    // before it were searched, nothing after.
    std::atomic<int> seen{0};
    std::atomic<bool> release{false};
    host.before_item = [&] {
      if (++seen == 5) {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    };
    ks::gui::LogSearchDialog d(&b.window(), host);
    d.show();
    retype(d.text_edit(), half);
    click(d.start_button());
    QVERIFY(QTest::qWaitFor([&] { return seen >= 5; }, 20000));
    QVERIFY(!d.start_button()->isEnabled());
    QTest::keyClick(&d, Qt::Key_Escape);  // closing waits for the search
    QVERIFY(d.isVisible());
    click(d.stop_button());
    release = true;
    QVERIFY(QTest::qWaitFor([&] { return !d.isVisible(); }, 20000));
    QCOMPARE(hits(), 4);
    QCOMPARE(seen.load(), 5);
  }
};

QTEST_MAIN(SearchesTest)
#include "searches_test.moc"
