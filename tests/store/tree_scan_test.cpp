#include "store/tree_scan.h"

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "platform/sjis.h"
#include "store/node_path.h"
#include "store/quick_flags.h"
#include "support/app_folder.h"

namespace ks::store {
namespace {

class TreeScanTest : public ::testing::Test {
 protected:
  ScanCounts scan() { return scan_tree_from_disk(tree, app.app()); }
  const Node& at(std::string_view path) {
    NodeId id = tree.resolve(path);
    EXPECT_NE(id, kNoNode) << path;
    static const Node none;
    return id ? *tree.find(id) : none;
  }
  test::AppFolder app;
  Tree tree;
  std::string tpl = utf8_to_sjis("テンプレート");
};

TEST_F(TreeScanTest, FoldersBecomeGroupsItemsAndTemplates) {
  app.make_dir("a%3ab%%c.grp/inner.DAT");
  app.make_dir("50%off.dat");
  app.make_dir("x%41.dat");
  app.make_dir("other");
  app.write("file.dat", "not a folder");
  app.make_dir(tpl + "/t.tpl/nested.tpl");
  ScanCounts c = scan();
  EXPECT_EQ(c.groups, 1);
  EXPECT_EQ(c.items, 4);  // inner, 50%off, x%41, t

  const Node& g = at("a:b%c");
  EXPECT_EQ(g.kind(), NodeKind::kGroup);
  EXPECT_TRUE(g.tag & kTagEscapedName);
  EXPECT_EQ(at("a:b%c/inner").kind(), NodeKind::kItem);
  EXPECT_FALSE(at("50%off").tag & kTagEscapedName);
  EXPECT_EQ(node_path(tree, at("50%off").id, app.app()), app.in_data("50%off.dat"));
  EXPECT_EQ(at("x%41").kind(), NodeKind::kItem);
  EXPECT_EQ(tree.resolve("other"), kNoNode);
  EXPECT_EQ(tree.resolve("file"), kNoNode);

  const Node& t = at(tpl + "/t");
  EXPECT_EQ(t.kind(), NodeKind::kTemplate);
  EXPECT_TRUE(t.children.empty());  // a template inside a template is not shown
}

TEST_F(TreeScanTest, MarksComeFromTheQuickFlags) {
  app.write("g.grp/group.db", "[CONFIG]\r\nDISABLE_AUTO_CHECK=1\r\n");
  app.write("g.grp/p.dat/site.db", "[config]\r\nsite_priority=1\r\n");
  app.write("g.grp/p.dat/result.db", "[RESULT]\r\nCODE=3\r\n");
  app.write("q.dat/site.db", "[CONFIG]\r\nSITE_PRIORITY=2\r\nDISABLE_AUTO_CHECK=1\r\n");
  app.write("q.dat/result.db", "[RESULT]\r\nCODE=6\r\n");
  scan();
  EXPECT_TRUE(at("g").tag & kTagNoAutoCheck);
  // The quick readers ignore case, as the profile functions do.
  EXPECT_EQ(at("g/p").tag & (kTagPriorityMask | kTagResultMask), kTagPriorityMiddle | kTagUpdated);
  EXPECT_EQ(at("q").tag & (kTagPriorityMask | kTagResultMask | kTagNoAutoCheck),
            kTagPriorityHigh | kTagError | kTagNoAutoCheck);
}

TEST_F(TreeScanTest, LegacyIniFilesAreRenamedOnce) {
  app.write("p.dat/site.ini", "[CONFIG]\r\nSITE_PRIORITY=2\r\n");
  app.write("p.dat/result.ini", "[RESULT]\r\nCODE=4\r\n");
  app.write("g.grp/group.ini", "[CONFIG]\r\nDISABLE_AUTO_CHECK=1\r\n");
  scan();
  EXPECT_TRUE(at("p").tag & kTagPriorityHigh);
  EXPECT_TRUE(at("p").tag & kTagError);
  EXPECT_TRUE(at("g").tag & kTagNoAutoCheck);
  EXPECT_TRUE(path_exists(app.in_data("p.dat/site.db")));
  EXPECT_FALSE(path_exists(app.in_data("p.dat/site.ini")));
  EXPECT_TRUE(path_exists(app.in_data("p.dat/result.db")));
  EXPECT_TRUE(path_exists(app.in_data("g.grp/group.db")));
  // A second start finds the .db files.
  Tree again;
  scan_tree_from_disk(again, app.app());
  EXPECT_TRUE(again.find(again.resolve("p"))->tag & kTagPriorityHigh);
}

TEST_F(TreeScanTest, ADbFileWinsOverAnIniFile) {
  app.write("p.dat/site.db", "[CONFIG]\r\nURL=new\r\n");
  app.write("p.dat/site.ini", "[CONFIG]\r\nURL=old\r\n");
  EXPECT_EQ(read_item_url(app.in_data("p.dat")), "new");
  EXPECT_TRUE(path_exists(app.in_data("p.dat/site.ini")));
}

TEST_F(TreeScanTest, NamesThatDoNotEncodeBackNameTheirOwnFolders) {
  app.make_dir("x%3A.dat");
  app.make_dir("a:b%c.dat");
  app.make_dir("y%3a.dat");
  scan();
  for (const char* name : {"x%3A", "a:b%c"}) {
    EXPECT_FALSE(at(name).tag & kTagEscapedName) << name;
    EXPECT_EQ(node_path(tree, at(name).id, app.app()), app.in_data(std::string(name) + ".dat"));
  }
  EXPECT_TRUE(at("y:").tag & kTagEscapedName);
  EXPECT_EQ(node_path(tree, at("y:").id, app.app()), app.in_data("y%3a.dat"));
}

TEST_F(TreeScanTest, UpperCaseExtensionsAreRenamedWhenTheLowerNameIsFree) {
  app.make_dir("X.DAT");
  app.make_dir("Y.Grp/z.Dat");
  app.make_dir(tpl + "/T.TPL");
  app.make_dir("taken.DAT");
  app.write("taken.DAT/mark", "upper");
  app.make_dir("taken.dat");
  scan();
  EXPECT_EQ(node_path(tree, at("X").id, app.app()), app.in_data("X.dat"));
  EXPECT_TRUE(path_exists(app.in_data("X.dat")));
  EXPECT_FALSE(path_exists(app.in_data("X.DAT")));
  EXPECT_EQ(node_path(tree, at("Y/z").id, app.app()), app.in_data("Y.grp/z.dat"));
  EXPECT_TRUE(path_exists(app.in_data("Y.grp/z.dat")));
  EXPECT_TRUE(path_exists(app.in_data(tpl + "/T.tpl")));
  EXPECT_EQ(at(tpl + "/T").kind(), NodeKind::kTemplate);
  // The lower-case name is taken: the other folder is left alone and not shown.
  EXPECT_EQ(tree.find(tree.root())->children.size(), 4u);  // X, Y, taken, template root
  EXPECT_EQ(read_file(app.in_data("taken.DAT/mark")).value_or(""), "upper");
  EXPECT_EQ(node_path(tree, at("taken").id, app.app()), app.in_data("taken.dat"));
}

TEST_F(TreeScanTest, ASortHookOrdersEachFolder) {
  app.make_dir("a.dat");
  app.make_dir("b.dat");
  int calls = 0;
  scan_tree_from_disk(tree, app.app(), [&](Tree& t, NodeId parent) {
    ++calls;
    auto& ch = t.find(parent)->children;
    std::reverse(ch.begin(), ch.end());
  });
  EXPECT_GE(calls, 2);
  EXPECT_EQ(tree.find(tree.find(tree.root())->children.front())->kind(), NodeKind::kTemplateRoot);
}

}  // namespace
}  // namespace ks::store
