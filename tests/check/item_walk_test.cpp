// The walk over the tree: order, what is passed over, the kinds' filters and
// the importance passes, on folders scanned from a temporary data folder.
#include "check/item_walk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compare/result_record.h"
#include "platform/sjis.h"
#include "store/page_settings_io.h"
#include "store/tree_scan.h"
#include "support/app_folder.h"

namespace ks::check {
namespace {

class WalkTest : public ::testing::Test {
 protected:
  void item(const std::string& rel, int priority = 0, int disabled = 0) {
    const std::string f = app.make_dir(rel);
    store::PageSettings s = store::default_page_settings();
    s.url = "http://127.0.0.1/";
    s.site_priority = priority;
    s.disable_auto_check = disabled;
    EXPECT_TRUE(store::write_page_settings(f, s));
  }
  void scan() { store::scan_tree_from_disk(tree, app.app()); }

  // Every item a single slot gets, in order.
  std::vector<std::string> names(store::NodeId start, CheckKind kind, bool use_priority = false) {
    ItemWalk walk(tree, app.app(), start, kind, use_priority);
    std::vector<std::string> out;
    store::PageSettings s;
    for (int guard = 0; guard < 100; ++guard) {
      const NextResult r = walk.next(0, s);
      if (r == NextResult::kEnd) {
        // In the importance passes the one slot advances the pass and ends;
        // ask again as a fresh worker would, until the passes are over.
        if (walk.importance_passes() && walk.pass_importance() >= 0 &&
            kind < CheckKind::kHighImportance) {
          continue;
        }
        break;
      }
      if (r == NextResult::kItem) out.push_back(s.name);
    }
    return out;
  }

  test::AppFolder app;
  store::Tree tree;
};

TEST_F(WalkTest, DepthFirstOrderSkipsDisabledAndTemplates) {
  item("a.dat");
  item("g.grp/b.dat");
  item("g.grp/h.grp/c.dat");
  item("g.grp/off.dat", 0, 1);
  item("d.dat");
  const std::string og = app.make_dir("og.grp");
  store::write_group_flag(og, 1);
  item("og.grp/hidden.dat");
  item(std::string(KS_SJ("テンプレート")) + "/t.tpl");
  scan();
  EXPECT_EQ(names(tree.root(), CheckKind::kSelected),
            (std::vector<std::string>{"a", "d", "b", "c"}));
  // A disabled group or item that is the selection itself is taken.
  EXPECT_EQ(names(tree.resolve("og"), CheckKind::kSelected), (std::vector<std::string>{"hidden"}));
  EXPECT_EQ(names(tree.resolve("g/off"), CheckKind::kSelected), (std::vector<std::string>{"off"}));
  EXPECT_EQ(names(tree.template_root(), CheckKind::kSelected), (std::vector<std::string>{"t"}));
  ItemWalk single(tree, app.app(), tree.resolve("a"), CheckKind::kSelected, true);
  EXPECT_TRUE(single.single_item());
  EXPECT_FALSE(single.importance_passes());
  ItemWalk counting(tree, app.app(), tree.root(), CheckKind::kSelected, false);
  EXPECT_EQ(counting.count_items(), 4);
}

TEST_F(WalkTest, ErrorKindsFollowMarksAndStoredCodes) {
  item("a.dat");
  item("b.dat");
  item("c.dat");
  EXPECT_TRUE(compare::write_result(app.in_data("a.dat"), compare::kResultHttpError, "x"));
  EXPECT_TRUE(compare::write_result(app.in_data("b.dat"), compare::kResultAreaNotFound, ""));
  EXPECT_TRUE(compare::write_result(app.in_data("c.dat"), compare::kResultChanged, ""));
  scan();
  EXPECT_EQ(names(tree.root(), CheckKind::kErrors), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(names(tree.root(), CheckKind::kCommErrors), (std::vector<std::string>{"a"}));
}

TEST_F(WalkTest, TooLongFolderIsNeverHandedOut) {
  // 252 bytes: a path that fits in 260 but leaves no room for a file name.
  const std::size_t used = app.app().size() + std::string("data/.dat").size();
  ASSERT_LT(used, 200u);
  item(std::string(252 - used, 'x') + ".dat");
  item("short.dat");
  scan();
  EXPECT_EQ(names(tree.root(), CheckKind::kSelected), (std::vector<std::string>{"short"}));
}

TEST_F(WalkTest, ImportancePassesWaitForBusySlots) {
  item("n.dat", 0);
  item("h.dat", 2);
  item("m.dat", 1);
  scan();
  ItemWalk walk(tree, app.app(), tree.root(), CheckKind::kSelected, true);
  ASSERT_TRUE(walk.importance_passes());
  store::PageSettings s;
  ASSERT_EQ(walk.next(0, s), NextResult::kItem);
  EXPECT_EQ(s.name, "h");
  // Slot 0 still carries the high item: slot 1 must wait.
  EXPECT_EQ(walk.next(1, s), NextResult::kWait);
  // Slot 0 is done and finds the pass exhausted: it moves the pass on and ends.
  EXPECT_EQ(walk.next(0, s), NextResult::kEnd);
  EXPECT_EQ(walk.pass_importance(), 1);
  ASSERT_EQ(walk.next(1, s), NextResult::kItem);
  EXPECT_EQ(s.name, "m");
  EXPECT_EQ(walk.next(2, s), NextResult::kWait);
  EXPECT_EQ(walk.next(1, s), NextResult::kEnd);
  ASSERT_EQ(walk.next(2, s), NextResult::kItem);
  EXPECT_EQ(s.name, "n");
  EXPECT_EQ(walk.next(2, s), NextResult::kEnd);
  EXPECT_EQ(walk.next(3, s), NextResult::kEnd);
  EXPECT_EQ(walk.pass_importance(), -1);

  EXPECT_EQ(names(tree.root(), CheckKind::kHighImportance), (std::vector<std::string>{"h"}));
  EXPECT_EQ(names(tree.root(), CheckKind::kNormalImportance), (std::vector<std::string>{"n"}));
}

}  // namespace
}  // namespace ks::check
