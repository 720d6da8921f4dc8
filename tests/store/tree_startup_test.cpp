// Building the tree at start-up (cache, tree.db, folders) and the cache
// written at shut-down, over real data folders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "platform/profile.h"
#include "store/startup.h"
#include "store/tree_cache.h"
#include "store/tree_order.h"
#include "store/tree_sort.h"
#include "tree_fixture.h"

namespace ks::store::test {
namespace {

class TreeStartup : public TreeFixture {
 protected:
  StartupTree start(bool auto_sort = false) {
    return build_tree_at_startup(tree, templates, base(), auto_sort);
  }
  std::string cache_path() const { return data() + "/treecache.tmp"; }
  void write_tree_db(const std::string& body) {
    write_file_atomic(data() + "/tree.db", "warning\r\n" + body);
  }
  std::vector<std::string> lines_of(const Tree& t) const {
    std::vector<std::string> out;
    for (const OrderLine& l : tree_to_lines(t)) {
      out.push_back(std::to_string(l.depth) + " " + l.name + " " + std::to_string(l.tag));
    }
    return out;
  }
};

// The large data folder goes to memory when it can: creating and removing
// 10,000 folders on a busy disk takes far longer than the code under test.
class ShmDir {
 public:
  ShmDir() {
    std::string templ =
        std::string(is_directory("/dev/shm") ? "/dev/shm" : "/tmp") + "/kestrel-test-XXXXXX";
    if (::mkdtemp(templ.data())) path_ = templ;
  }
  ~ShmDir() {
    if (!path_.empty()) remove_tree(path_);
  }
  ShmDir(const ShmDir&) = delete;
  ShmDir& operator=(const ShmDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

TEST(TreeStartupLarge, RoundTripOfTenThousandItemsUsesAndDeletesTheCache) {
  ShmDir dir;
  ASSERT_FALSE(dir.path().empty());
  const std::string base = dir.path() + "/";
  const std::string data = base + "data";
  const std::string cache_path = data + "/treecache.tmp";
  auto lines_of = [](const Tree& t) {
    std::vector<std::string> out;
    for (const OrderLine& l : tree_to_lines(t)) {
      out.push_back(std::to_string(l.depth) + " " + l.name + " " + std::to_string(l.tag));
    }
    return out;
  };
  for (int g = 0; g < 200; ++g) {
    std::string gdir = data + "/group" + std::to_string(g) + ".grp";
    for (int i = 0; i < 50; ++i) make_dirs(gdir + "/item" + std::to_string(i) + ".dat");
  }
  profile_write_string(data + "/group7.grp/item3.dat/site.db", "CONFIG", "SITE_PRIORITY", "2");
  Tree tree;
  TemplateTable templates;
  EXPECT_EQ(build_tree_at_startup(tree, templates, base, false).source,
            TreeSource::kFolders);  // no tree.db yet
  ASSERT_EQ(tree.find(tree.root())->children.size(), 201u);
  EXPECT_EQ(tag_count(tree.find(tree.find(tree.root())->children[0])->tag), 50u);
  const std::vector<std::string> first = lines_of(tree);

  ASSERT_TRUE(save_tree_at_shutdown(tree, base));
  ASSERT_TRUE(is_regular_file(cache_path));
  // The cache alone must be enough: the marks come from it, not the files.
  remove_file(data + "/group7.grp/item3.dat/site.db");
  Tree again;
  StartupTree r = build_tree_at_startup(again, templates, base, false);
  EXPECT_EQ(r.source, TreeSource::kCache);
  EXPECT_FALSE(path_exists(cache_path));
  EXPECT_EQ(lines_of(again), first);
  EXPECT_NE(
      std::find(first.begin(), first.end(), "1 item3 " + std::to_string(2u | kTagPriorityHigh)),
      first.end());
}

TEST_F(TreeStartup, EmptyTreeCacheIsAccepted) {
  Tree empty;
  empty.add_root();
  save_tree_cache(empty, data());
  EXPECT_EQ(read_file(cache_path()).value_or(""), "Kestrelscan v0.134\r\nFFFFFFFF\r\n");
  StartupTree r = start();
  EXPECT_EQ(r.source, TreeSource::kCache);
  EXPECT_NE(tree.template_root(), kNoNode);  // always there, even when the cache had none
}

TEST_F(TreeStartup, StaleOrDamagedCacheIsDeletedAndNotUsed) {
  make_dirs(data() + "/real.dat");
  write_tree_db("real.dat\r\n" + Tree::template_root_label() + "\r\n");
  for (const std::string& bad : {std::string("Kestrelscan v0.133\r\nFFFFFFFF\r\nghost\r\n2\r\n"),
                                 std::string("Kestrelscan v0.134\r\n12345678\r\nghost\r\n2\r\n"),
                                 std::string("Kestrelscan v0.134\r\nFFFFFFFF\r\nghost\r\n7\r\n")}) {
    write_file_atomic(cache_path(), bad);
    StartupTree r = start();
    EXPECT_TRUE(r.cache_rejected);
    EXPECT_EQ(r.source, TreeSource::kTreeDb);
    EXPECT_FALSE(path_exists(cache_path()));
    EXPECT_EQ(labels(tree.root()), (std::vector<std::string>{"real", Tree::template_root_label()}));
  }
}

TEST_F(TreeStartup, TreeDbKeepsTheOrderAndShowsMissingFoldersClear) {
  make_dirs(data() + "/b.grp/x.dat");
  profile_write_string(data() + "/b.grp/x.dat/result.db", "RESULT", "CODE", "3");
  make_dirs(data() + "/not-listed.dat");
  write_tree_db(
      "b.grp\r\n\tx.dat\r\n\t\t\tjump.grp\r\n\t\t\t\tunder.dat\r\n\tgone.dat\r\na%3ab.grp\r\n");
  EXPECT_EQ(start().source, TreeSource::kTreeDb);
  // The order file decides; the template root is added when it has no line.
  EXPECT_EQ(labels(tree.root()),
            (std::vector<std::string>{"b", "a:b", Tree::template_root_label()}));
  NodeId b = tree.find(tree.root())->children[0];
  EXPECT_EQ(labels(b), (std::vector<std::string>{"x", "gone"}));
  EXPECT_TRUE(tree.find(tree.find(b)->children[0])->tag & kTagUpdated);
  EXPECT_EQ(tree.find(tree.find(b)->children[1])->tag & ~kTagKindMask, 0u);
  EXPECT_TRUE(tree.find(tree.find(tree.root())->children[1])->tag & kTagEscapedName);
}

TEST_F(TreeStartup, PathsFromTreeDbAndCacheNeverLeaveTheDataFolder) {
  // Folders outside the data folder that the lines try to reach.
  make_dirs(dir.path() + "/x.dat");
  profile_write_string(dir.path() + "/x.dat/result.db", "RESULT", "CODE", "3");
  write_tree_db("../x.dat\r\n" + dir.path() + "/x.dat\r\n..%2fx.dat\r\nok.dat\r\n");
  start();
  EXPECT_EQ(labels(tree.root()),
            (std::vector<std::string>{"../x", "ok", Tree::template_root_label()}));
  // "..%2fx" is a folder name of its own inside the data folder; its label
  // decodes to "../x" but its path stays below the data folder.
  NodeId escaped = tree.find(tree.root())->children[0];
  EXPECT_EQ(folder(escaped), data() + "/..%2fx.dat");
  EXPECT_EQ(tree.find(escaped)->tag & kTagUpdated, 0u);

  std::vector<OrderLine> lines = {{0, "../x", NodeKind::kItem, 2 | kTagUpdated},
                                  {0, "/abs", NodeKind::kGroup, 1},
                                  {0, "fine", NodeKind::kItem, 2}};
  write_file_atomic(cache_path(), format_cache(lines));
  EXPECT_EQ(start().source, TreeSource::kCache);
  EXPECT_EQ(labels(tree.root()), (std::vector<std::string>{"fine", Tree::template_root_label()}));
}

TEST_F(TreeStartup, FolderNamesThatEncodingWouldChangeKeepTheirFolder) {
  // Written by hand or by another system: an upper-case escape, and a raw
  // character that encoding would escape next to a proper escape.
  make_dirs(data() + "/x%3A.dat");
  make_dirs(data() + "/a?b%3ac.dat");
  profile_write_string(data() + "/x%3A.dat/result.db", "RESULT", "CODE", "3");
  write_tree_db("x%3A.dat\r\na?b%3ac.dat\r\n");
  start();
  for (NodeId id : tree.find(tree.root())->children) {
    if (tree.find(id)->kind() != NodeKind::kItem) continue;
    EXPECT_TRUE(is_directory(folder(id))) << folder(id);
    EXPECT_EQ(tree.find(id)->tag & kTagEscapedName, 0u);
  }
  EXPECT_EQ(labels(tree.root()),
            (std::vector<std::string>{"x%3A", "a?b%3ac", Tree::template_root_label()}));
  EXPECT_TRUE(tree.find(tree.find(tree.root())->children[0])->tag & kTagUpdated);
}

TEST_F(TreeStartup, AutomaticSortingNeitherReadsNorWritesTreeDb) {
  make_dirs(data() + "/a.dat");
  make_dirs(data() + "/b.grp");
  const std::string order = "b.grp\r\na.dat\r\n";
  write_tree_db("zzz.dat\r\n" + order);
  EXPECT_EQ(start(true).source, TreeSource::kFolders);
  EXPECT_EQ(labels(tree.root()), (std::vector<std::string>{"b", "a", Tree::template_root_label()}));
  ctx.auto_sort = true;
  new_folder(ctx, tree.root());
  EXPECT_EQ(tree_db(), "warning\r\nzzz.dat\r\n" + order);
}

TEST_F(TreeStartup, RepairRebuildsFromFoldersAndRewritesTreeDb) {
  make_dirs(data() + "/kept.dat");
  make_dirs(data() + "/" + Tree::template_root_label() + "/bare");
  write_tree_db("ghost.dat\r\n");
  write_file_atomic(cache_path(), "junk");
  start();
  prompt.answers = {Answer::kCancel};
  EXPECT_FALSE(repair_tree(ctx));
  EXPECT_TRUE(repair_tree(ctx));
  EXPECT_FALSE(path_exists(cache_path()));
  EXPECT_EQ(labels(tree.root()), (std::vector<std::string>{"kept", Tree::template_root_label()}));
  EXPECT_EQ(labels(tree.template_root()), (std::vector<std::string>{"bare"}));
  EXPECT_EQ(templates.size(), 1u);
  EXPECT_NE(tree_db().find("kept.dat\r\n"), std::string::npos);
  EXPECT_EQ(prompt.statuses.back(), sj("修復完了"));
}

TEST_F(TreeStartup, TwelveThousandItemsShowTheCap) {
  NodeId g = tree.add(tree.root(), NodeKind::kGroup, "big");
  NodeId inner = tree.add(g, NodeKind::kGroup, "inner");
  for (int i = 0; i < 12000; ++i) tree.add(i % 2 ? g : inner, NodeKind::kItem, "i");
  count_items(tree);
  EXPECT_EQ(count_suffix(tag_count(tree.find(g)->tag)), " 9999+");
  EXPECT_EQ(count_suffix(tag_count(tree.find(inner)->tag)), " 6000");
}

}  // namespace
}  // namespace ks::store::test
