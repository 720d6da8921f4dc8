// Tree operations on a real data folder: naming, paste and drop rules, the
// overwrite question, rename, delete to the trash and the order file.
#include <gtest/gtest.h>

#include <cstdlib>

#include "store/page_settings_io.h"
#include "store/tree_order.h"
#include "tree_fixture.h"

namespace ks::store::test {
namespace {

using TreeOps = TreeFixture;

TEST_F(TreeOps, NewFolderAndNewItemTakeTheFirstFreeName) {
  NodeId a = new_folder(ctx, tree.root());
  NodeId b = new_folder(ctx, tree.root());
  EXPECT_EQ(tree.find(a)->label, sj("新規フォルダ"));
  EXPECT_EQ(tree.find(b)->label, sj("新規フォルダ(2)"));
  EXPECT_TRUE(is_directory(data() + "/" + sj("新規フォルダ(2).grp")));

  auto p1 = plan_new_node(ctx, a);
  ASSERT_TRUE(p1);
  EXPECT_EQ(p1->record.name, sj("新規ページ"));
  EXPECT_EQ(p1->record.use_old_log, 1);
  create_planned_node(ctx, *p1, p1->record);
  auto p2 = plan_new_node(ctx, a);
  EXPECT_EQ(p2->record.name, sj("新規ページ(2)"));
  auto p3 = plan_new_node(ctx, a, "News");
  EXPECT_EQ(p3->record.name, "News");
}

TEST_F(TreeOps, PasteOntoItselfNamesCopyThenCopyTwo) {
  NodeId g = group(tree.root(), "g");
  NodeId it = item(g, "page");
  write_file_atomic(folder(it) + "/log0.txt", "old text");
  Clipboard clip{it, false};
  EXPECT_EQ(paste(ctx, clip, it), PasteStatus::kDone);
  EXPECT_EQ(paste(ctx, clip, it), PasteStatus::kDone);
  // Each copy lands just before the pasted-on item.
  EXPECT_EQ(labels(g),
            (std::vector<std::string>{sj("コピー ～ page"), sj("コピー (2) ～ page"), "page"}));
  NodeId copy = tree.find(g)->children[0];
  EXPECT_EQ(read_file(folder(copy) + "/log0.txt").value_or(""), "old text");
  EXPECT_TRUE(is_regular_file(folder(copy) + "/site.db"));
  EXPECT_TRUE(is_regular_file(folder(it) + "/log0.txt"));  // a copy keeps the source
}

TEST_F(TreeOps, CutPasteIntoOwnGroupAndIntoOwnSubgroupAreRefused) {
  NodeId g = group(tree.root(), "g");
  NodeId sub = group(g, "sub");
  NodeId it = item(g, "page");
  EXPECT_EQ(paste(ctx, Clipboard{it, true}, g), PasteStatus::kRefused);
  EXPECT_EQ(paste(ctx, Clipboard{it, true}, it), PasteStatus::kRefused);
  EXPECT_EQ(paste(ctx, Clipboard{g, false}, sub), PasteStatus::kRefused);
  const std::string title = "Kestrelscan" + sj("エラー") + "|";
  EXPECT_EQ(prompt.messages,
            (std::vector<std::string>{
                title + sj("自分自身にコピーすることはできません。"),
                title + sj("自分自身にコピーすることはできません。"),
                title + sj("自分自身のサブディレクトリにコピーすることはできません。")}));
  EXPECT_TRUE(is_directory(folder(it)));
}

TEST_F(TreeOps, CutPasteMovesTheFolderBeforeTheTarget) {
  NodeId a = group(tree.root(), "a");
  NodeId b = group(tree.root(), "b");
  NodeId moved = item(a, "m");
  NodeId there = item(b, "t");
  const std::string old_folder = folder(moved);
  EXPECT_EQ(paste(ctx, Clipboard{moved, true}, there), PasteStatus::kDone);
  EXPECT_FALSE(path_exists(old_folder));
  EXPECT_EQ(labels(b), (std::vector<std::string>{"m", "t"}));
  EXPECT_TRUE(labels(a).empty());
  EXPECT_TRUE(is_regular_file(data() + "/b.grp/m.dat/site.db"));
  EXPECT_NE(tree_db().find("\tm.dat\r\n\tt.dat"), std::string::npos);
}

TEST_F(TreeOps, NoToAllSkipsLaterConflictsWithoutAsking) {
  NodeId src = group(tree.root(), "src");
  NodeId dst = group(tree.root(), "dst");
  NodeId g1 = group(src, "g");
  NodeId g2 = group(dst, "g");
  for (const char* n : {"a", "b", "c"}) {
    NodeId s = item(g1, n, "http://new/");
    item(g2, n, "http://old/");
    (void)s;
  }
  prompt.answers = {Answer::kYes, Answer::kNoToAll};  // merge into g, then skip items
  EXPECT_EQ(paste(ctx, Clipboard{g1, false}, dst), PasteStatus::kDone);
  EXPECT_EQ(prompt.questions.size(), 2u);
  EXPECT_EQ(labels(g2), (std::vector<std::string>{"a", "b", "c"}));
  for (NodeId c : tree.find(g2)->children) {
    PageSettings rec;
    read_page_settings(folder(c), rec);
    EXPECT_EQ(rec.url, "http://old/");
  }
}

TEST_F(TreeOps, YesToAllOverwritesAndCancelStops) {
  NodeId a = group(tree.root(), "a");
  NodeId b = group(tree.root(), "b");
  NodeId x = item(a, "x", "http://new/");
  item(b, "x", "http://old/");
  prompt.answers = {Answer::kCancel};
  EXPECT_EQ(paste(ctx, Clipboard{x, true}, b), PasteStatus::kStopped);
  EXPECT_TRUE(is_directory(folder(x)));  // nothing moved
  prompt.answers = {Answer::kYesToAll};
  EXPECT_EQ(paste(ctx, Clipboard{x, true}, b), PasteStatus::kDone);
  PageSettings rec;
  read_page_settings(data() + "/b.grp/x.dat", rec);
  EXPECT_EQ(rec.url, "http://new/");
  EXPECT_EQ(labels(b), (std::vector<std::string>{"x"}));
  EXPECT_FALSE(path_exists(data() + "/a.grp/x.dat"));
}

TEST_F(TreeOps, ReorderingWithinAGroupTouchesNoFolder) {
  NodeId g = group(tree.root(), "g");
  NodeId one = item(g, "one");
  item(g, "two");
  NodeId three = item(g, "three");
  auto before = scan_dir(folder(g));
  EXPECT_EQ(drop(ctx, three, one, DropPosition::kBefore), PasteStatus::kDone);
  EXPECT_EQ(labels(g), (std::vector<std::string>{"three", "one", "two"}));
  EXPECT_EQ(drop(ctx, three, g, DropPosition::kInto), PasteStatus::kDone);  // placed first
  EXPECT_EQ(drop(ctx, one, three, DropPosition::kAfter), PasteStatus::kDone);
  EXPECT_EQ(labels(g), (std::vector<std::string>{"three", "one", "two"}));
  auto after = scan_dir(folder(g));
  EXPECT_EQ(before.size(), after.size());
  EXPECT_NE(tree_db().find("\tthree.dat\r\n\tone.dat\r\n\ttwo.dat"), std::string::npos);

  ctx.auto_sort = true;
  EXPECT_EQ(drop(ctx, one, three, DropPosition::kBefore), PasteStatus::kNothing);
  EXPECT_EQ(labels(g), (std::vector<std::string>{"three", "one", "two"}));
}

TEST_F(TreeOps, DropMovesBetweenGroupsAndNeverIntoItsOwnSubtree) {
  NodeId a = group(tree.root(), "a");
  NodeId sub = group(a, "sub");
  NodeId b = group(tree.root(), "b");
  NodeId x = item(a, "x");
  EXPECT_EQ(drop(ctx, a, sub, DropPosition::kInto), PasteStatus::kNothing);
  EXPECT_EQ(drop(ctx, x, b, DropPosition::kInto), PasteStatus::kDone);
  EXPECT_TRUE(is_directory(data() + "/b.grp/x.dat"));
  EXPECT_FALSE(path_exists(data() + "/a.grp/x.dat"));
  EXPECT_EQ(drop(ctx, a, b, DropPosition::kInto), PasteStatus::kDone);  // a group with its subtree
  EXPECT_TRUE(is_directory(data() + "/b.grp/a.grp/sub.grp"));
  EXPECT_FALSE(path_exists(data() + "/a.grp"));
  EXPECT_EQ(tag_count(tree.find(b)->tag), 1u);
}

TEST_F(TreeOps, RenamedGroupWithAColonReachesTreeDbEncoded) {
  NodeId g = group(tree.root(), "a:b");
  EXPECT_EQ(tree.find(g)->label, "a:b");
  EXPECT_TRUE(is_directory(data() + "/a%3ab.grp"));
  EXPECT_NE(tree_db().find("\r\na%3ab.grp\r\n"), std::string::npos);
  // An existing folder is never replaced by a rename.
  NodeId other = group(tree.root(), "c");
  EXPECT_FALSE(rename_node(ctx, other, "a:b"));
  EXPECT_EQ(prompt.messages.size(), 1u);
  EXPECT_TRUE(is_directory(data() + "/c.grp"));
}

TEST_F(TreeOps, AutomaticSortingKeepsTreeDbUnwrittenAndSorts) {
  ctx.auto_sort = true;
  group(tree.root(), "b");
  group(tree.root(), "a");
  item(tree.root(), "0");
  EXPECT_FALSE(path_exists(data() + "/tree.db"));
  EXPECT_EQ(labels(tree.root()),
            (std::vector<std::string>{"a", "b", "0", Tree::template_root_label()}));
}

TEST_F(TreeOps, DeleteAsksAndSendsTheFolderToTheTrash) {
  const std::string trash_home = dir.path() + "/xdg";
  ::setenv("XDG_DATA_HOME", trash_home.c_str(), 1);
  NodeId g = group(tree.root(), "g");
  item(g, "in it");
  prompt.answers = {Answer::kNo};
  EXPECT_EQ(delete_node(ctx, g), DeleteStatus::kDeclined);
  EXPECT_TRUE(is_directory(data() + "/g.grp"));
  EXPECT_EQ(prompt.questions.back(), "g" + sj("\r\nを削除します。よろしいですか？"));

  EXPECT_EQ(delete_node(ctx, g), DeleteStatus::kDeleted);
  ::unsetenv("XDG_DATA_HOME");
  EXPECT_FALSE(path_exists(data() + "/g.grp"));
  EXPECT_TRUE(is_directory(trash_home + "/Trash/files/g.grp/in it.dat"));
  std::string info = read_file(trash_home + "/Trash/info/g.grp.trashinfo").value_or("");
  EXPECT_EQ(info.rfind("[Trash Info]\nPath=/", 0), 0u);
  EXPECT_NE(info.find("/data/g.grp\nDeletionDate="), std::string::npos);
  EXPECT_EQ(tree.find(g), nullptr);
  EXPECT_EQ(delete_node(ctx, tree.template_root()), DeleteStatus::kRefused);
}

TEST_F(TreeOps, TemplatesStopAtFifty) {
  for (int i = 0; i < 50; ++i) {
    auto plan = plan_new_node(ctx, tree.template_root());
    ASSERT_TRUE(plan);
    ASSERT_EQ(create_planned_node(ctx, *plan, plan->record).status, CreateStatus::kOk);
  }
  EXPECT_EQ(templates.size(), 50u);
  EXPECT_FALSE(plan_new_node(ctx, tree.template_root()).has_value());
  EXPECT_EQ(tree.find(tree.template_root())->children.size(), 50u);
}

TEST_F(TreeOps, PropertiesRenameTheFolderAndTheTemplateEntry) {
  auto plan = plan_new_node(ctx, tree.template_root(), "tpl");
  NodeId t = create_planned_node(ctx, *plan, plan->record).node;
  PageSettings rec = *templates.find_by_node(t);
  rec.name = "news:jp";
  rec.url = "example.jp";
  EXPECT_TRUE(apply_properties(ctx, t, rec));
  EXPECT_TRUE(is_directory(data() + "/" + Tree::template_root_label() + "/news%3ajp.tpl"));
  ASSERT_NE(templates.find_by_name("news:jp"), nullptr);
  EXPECT_EQ(templates.find_by_name("news:jp")->url, "example.jp");

  rec.name = std::string(300, 'n');
  EXPECT_FALSE(apply_properties(ctx, t, rec));
  EXPECT_EQ(prompt.messages.back(), sj("エラー|サイト名が長すぎます。"));
}

}  // namespace
}  // namespace ks::store::test
