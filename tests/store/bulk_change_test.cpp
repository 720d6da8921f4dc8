#include "store/bulk_change.h"

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "store/node_path.h"
#include "store/page_settings_io.h"
#include "store/tree_scan.h"
#include "support/app_folder.h"

namespace ks::store {
namespace {

class BulkChangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* p : {"g.grp/a.dat", "g.grp/b.dat", "g.grp/sub.grp/c.dat", "g.grp/d.dat"}) {
      PageSettings rec = default_page_settings();
      for (int i = 0; i < kWordCount; ++i) rec.ng_words[i] = "old" + std::to_string(i);
      rec.url = p;
      make_dirs(app.in_data(p));
      EXPECT_TRUE(write_page_settings(app.in_data(p), rec));
    }
    scan_tree_from_disk(tree, app.app());
    group = tree.resolve("g");
  }
  PageSettings read(std::string_view path) {
    PageSettings rec;
    read_page_settings(*node_path(tree, tree.resolve(path), app.app()), rec);
    return rec;
  }
  test::AppFolder app;
  Tree tree;
  NodeId group = kNoNode;
  std::atomic<bool> cancel{false};
};

TEST_F(BulkChangeTest, OnlyTheMarkedNgWordChanges) {
  BulkChange c;
  c.values.ng_words[2] = "new";
  c.values.site_priority = 2;  // not marked: must not spread
  c.mark(ng_word_field(2));
  BulkResult r = bulk_change_group(tree, group, app.app(), c, cancel);
  EXPECT_EQ(r.changed, 4);
  for (const char* p : {"g/a", "g/b", "g/sub/c", "g/d"}) {
    PageSettings rec = read(p);
    for (int i = 0; i < kWordCount; ++i) {
      EXPECT_EQ(rec.ng_words[i], i == 2 ? "new" : "old" + std::to_string(i)) << p << i;
    }
    EXPECT_EQ(rec.site_priority, 0);
  }
}

TEST_F(BulkChangeTest, GroupedSettingsChangeTogetherAndTagsFollowPriority) {
  BulkChange c;
  c.values.site_priority = 1;
  c.values.save_context_use = 1;
  c.values.save_context_before = 4;
  c.mark(BulkField::kSitePriority);
  c.mark(BulkField::kSaveContext);
  bulk_change_group(tree, group, app.app(), c, cancel);
  PageSettings rec = read("g/sub/c");
  EXPECT_EQ(rec.site_priority, 1);
  EXPECT_EQ(rec.save_context_before, 4);
  EXPECT_EQ(rec.save_context_after, 0);
  EXPECT_TRUE(tree.find(tree.resolve("g/sub/c"))->tag & kTagPriorityMiddle);
}

TEST_F(BulkChangeTest, CancelLeavesWalkedItemsChangedAndTheRestAlone) {
  BulkChange c;
  c.values.noproxy = 1;
  c.mark(BulkField::kNoProxy);
  BulkHooks hooks;
  int seen = 0;
  hooks.on_item = [&](const Node&) {
    if (++seen == 2) cancel = true;
  };
  BulkResult r = bulk_change_group(tree, group, app.app(), c, cancel, hooks);
  EXPECT_TRUE(r.cancelled);
  EXPECT_EQ(r.changed, 2);
  EXPECT_EQ(read("g/a").noproxy, 1);
  EXPECT_EQ(read("g/b").noproxy, 1);
  EXPECT_EQ(read("g/sub/c").noproxy, 0);
  EXPECT_EQ(read("g/d").noproxy, 0);
}

TEST_F(BulkChangeTest, ItemsWithoutATemplateAreWrittenAndReported) {
  BulkChange c;
  c.values.use_template = 1;
  c.mark(BulkField::kUseTemplate);
  BulkHooks hooks;
  hooks.template_matches = [](const PageSettings& rec) { return rec.url != "g.grp/b.dat"; };
  std::vector<std::string> reported;
  hooks.on_no_template = [&](const Node& n, const PageSettings&) { reported.push_back(n.label); };
  BulkResult r = bulk_change_group(tree, group, app.app(), c, cancel, hooks);
  EXPECT_EQ(r.changed, 4);
  EXPECT_EQ(r.no_template, 1);
  EXPECT_EQ(reported, std::vector<std::string>{"b"});
  EXPECT_EQ(read("g/b").use_template, 1);
}

TEST_F(BulkChangeTest, TheGroupFlagGoesToGroupDbAndTheTag) {
  ASSERT_TRUE(set_group_flag(tree, group, app.app(), 1));
  EXPECT_TRUE(tree.find(group)->tag & kTagNoAutoCheck);
  EXPECT_EQ(read_group_flag(app.in_data("g.grp")), 1);
  ASSERT_TRUE(set_group_flag(tree, group, app.app(), 0));
  EXPECT_FALSE(tree.find(group)->tag & kTagNoAutoCheck);
  EXPECT_FALSE(set_group_flag(tree, tree.resolve("g/a"), app.app(), 1));
}

}  // namespace
}  // namespace ks::store
