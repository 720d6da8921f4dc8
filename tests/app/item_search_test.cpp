#include "app/item_search.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "compare/result_record.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "present/buffered_pane.h"
#include "store/page_settings_io.h"
#include "store/tree_scan.h"
#include "support/temp_dir.h"

namespace ks::app {
namespace {

constexpr int64_t kT = 1700000000;
constexpr int64_t kDay = 86400;

std::string sj(const char* utf8) {
  return utf8_to_sjis(utf8);
}

class ItemSearchTest : public ::testing::Test {
 protected:
  std::string base() const { return dir.path() + "/"; }
  std::string data() const { return dir.path() + "/data"; }

  // An item whose last change (its current add log) is at `changed`, or
  // without update information when `changed` is negative.
  void item(const std::string& rel, const std::string& url, int64_t changed,
            bool disabled = false) {
    const std::string folder = data() + "/" + rel;
    make_dirs(folder);
    store::PageSettings rec = store::default_page_settings();
    rec.url = url;
    rec.disable_auto_check = disabled ? 1 : 0;
    EXPECT_TRUE(store::write_page_settings(folder, rec));
    EXPECT_TRUE(compare::write_current_log_number(folder, 0));
    if (changed < 0) return;
    const std::string log = folder + "/add0.txt";
    write_file_atomic(log, "x");
    struct timespec times[2] = {{static_cast<time_t>(changed), 0},
                                {static_cast<time_t>(changed), 0}};
    ::utimensat(AT_FDCWD, log.c_str(), times, 0);
  }
  store::Tree scan() {
    make_dirs(data());
    store::Tree t;
    store::scan_tree_from_disk(t, base());
    return t;
  }
  ItemSearchEnv env(int64_t now) {
    ItemSearchEnv e;
    e.base_folder = base();
    e.now = [now] { return now; };
    return e;
  }
  std::vector<std::string> labels(const store::Tree& t, const std::vector<ItemMatch>& ms) {
    std::vector<std::string> out;
    for (const auto& m : ms) out.push_back(t.find(m.node)->label);
    return out;
  }
  test::TempDir dir;
};

TEST(ItemSearchSettings, ActiveCriteriaAndLimits) {
  ItemSearchSettings s;
  s.use_name = true;  // ticked with an empty text: not active
  EXPECT_EQ(s.active(), 0u);
  s.name = "a";
  s.use_url = true;
  s.url = "b";
  s.use_time = true;
  EXPECT_EQ(s.active(), kCriterionName | kCriterionUrl | kCriterionTime);
  s.count = 99;
  s.unit = AgeUnit::kYears;
  EXPECT_EQ(s.limit_seconds(), int64_t{99} * 31536000);  // past 32 bits
  EXPECT_GT(s.limit_seconds(), int64_t{INT32_MAX});
  s.unit = AgeUnit::kMonths;
  EXPECT_EQ(s.limit_seconds(), int64_t{99} * 2592000);
}

TEST_F(ItemSearchTest, ThreeDaysExactlyIsNotOlderThanThreeDays) {
  item("a.dat", "http://a/", kT);
  item("none.dat", "http://n/", -1);
  const store::Tree tree = scan();
  ItemSearchSettings s;
  s.use_time = true;
  s.count = 3;
  s.unit = AgeUnit::kDays;
  s.older = true;
  EXPECT_TRUE(find_all_items(tree, tree.root(), s, env(kT + 3 * kDay)).empty());
  EXPECT_EQ(labels(tree, find_all_items(tree, tree.root(), s, env(kT + 3 * kDay + 1))),
            std::vector<std::string>{"a"});
  s.older = false;
  EXPECT_EQ(labels(tree, find_all_items(tree, tree.root(), s, env(kT + 3 * kDay))),
            std::vector<std::string>{"a"});
  // Without update information an item matches only when asked for.
  s.older = true;
  s.include_no_info = true;
  const auto all = find_all_items(tree, tree.root(), s, env(kT + 3 * kDay + 1));
  EXPECT_EQ(labels(tree, all), (std::vector<std::string>{"a", "none"}));
  EXPECT_TRUE(all[1].no_info);
  EXPECT_EQ(*all[1].elapsed, kNoUpdateElapsed);
}

TEST_F(ItemSearchTest, NinetyNineYearsCountIn64Bits) {
  item("old.dat", "http://o/", 0);  // 1970
  const store::Tree tree = scan();
  ItemSearchSettings s;
  s.use_time = true;
  s.count = 99;
  s.unit = AgeUnit::kYears;
  EXPECT_EQ(find_all_items(tree, tree.root(), s, env(kT)).size(), 1u);
  s.older = true;
  EXPECT_TRUE(find_all_items(tree, tree.root(), s, env(kT)).empty());
}

TEST_F(ItemSearchTest, NameAndUrlMatching) {
  item("g.grp/News.dat", "http://example.org/feed", kT);
  item("g.grp/news2.dat", "http://other.test/", kT);
  item(sj("ソフト.dat"), "http://x/", kT);
  const store::Tree tree = scan();
  ItemSearchSettings s;
  s.use_name = true;
  s.name = "News";
  EXPECT_EQ(labels(tree, find_all_items(tree, tree.root(), s, env(kT))),
            std::vector<std::string>{"News"});
  s.name = "news";  // exact case
  EXPECT_EQ(labels(tree, find_all_items(tree, tree.root(), s, env(kT))),
            std::vector<std::string>{"news2"});
  // Groups match by name, never by URL.
  s.name = "g";
  EXPECT_EQ(labels(tree, find_all_items(tree, tree.root(), s, env(kT))),
            std::vector<std::string>{"g"});
  s.use_url = true;
  s.url = "example";
  s.name = "N";
  EXPECT_EQ(labels(tree, find_all_items(tree, tree.root(), s, env(kT))),
            std::vector<std::string>{"News"});
  // A trail byte is never the start of a match ("ソ" ends in 0x5C).
  ItemSearchSettings b;
  b.use_name = true;
  b.name = "\\";
  EXPECT_TRUE(find_all_items(tree, tree.root(), b, env(kT)).empty());
}

TEST_F(ItemSearchTest, DisabledNodesAndNextMatch) {
  item("a.dat", "http://a/", kT);
  item("off.grp/inner.dat", "http://i/", kT);
  item("b.dat", "http://b/", kT, true);
  item("c.dat", "http://c/", kT);
  store::write_group_flag(data() + "/off.grp", 1);
  const store::Tree tree = scan();
  ItemSearchSettings s;
  s.use_url = true;
  s.url = "http://";
  EXPECT_EQ(labels(tree, find_all_items(tree, tree.root(), s, env(kT))),
            (std::vector<std::string>{"a", "c"}));
  s.include_disabled = true;
  EXPECT_EQ(labels(tree, find_all_items(tree, tree.root(), s, env(kT))),
            (std::vector<std::string>{"a", "b", "c", "inner"}));
  s.include_disabled = false;
  const store::NodeId a = tree.resolve("a");
  EXPECT_EQ(find_next_item(tree, a, s, env(kT)), tree.resolve("c"));
  EXPECT_EQ(find_next_item(tree, tree.resolve("c"), s, env(kT)), store::kNoNode);
  std::atomic<bool> stop{true};
  ItemSearchEnv stopped = env(kT);
  stopped.stop = &stop;
  EXPECT_EQ(find_next_item(tree, a, s, stopped), store::kNoNode);
}

TEST_F(ItemSearchTest, ListLines) {
  item("a.dat", "http://a/", kT - 5 * 60);
  item("b.dat", "http://b/", kT - 2 * 3600 - 61);
  item("c.dat", "http://c/", kT - 4 * kDay);
  item("d.dat", "http://d/", -1);
  const store::Tree tree = scan();
  ItemSearchSettings s;
  s.use_time = true;
  s.count = 99;  // no update information counts as 2,147,483,647 s, within 99 years
  s.include_no_info = true;
  s.unit = AgeUnit::kYears;
  present::BufferedPane pane;
  EXPECT_EQ(list_items(pane, tree, tree.root(), s, env(kT)), 4);
  const std::string mark = sj("▽");
  EXPECT_EQ(pane.text(), sj("5分前:a ") + mark + "\n" + sj("2時間1分前:b ") + mark + "\n" +
                             sj("4日前:c ") + mark + "\n" + sj("更新情報なし:d ") + mark + "\n");
  ASSERT_EQ(pane.links().size(), 8u);
  EXPECT_EQ(pane.links()[0].target, "http://a/");
  EXPECT_EQ(present::item_settings_node(pane.links()[1].target), tree.resolve("a"));
  // Without the time criterion no age is written.
  ItemSearchSettings n;
  n.use_name = true;
  n.name = "a";
  list_items(pane, tree, tree.root(), n, env(kT));
  EXPECT_EQ(pane.text(), "a " + mark + "\n");
}

}  // namespace
}  // namespace ks::app
