#include "store/tree.h"

#include <gtest/gtest.h>

#include "platform/sjis.h"
#include "store/names.h"
#include "store/node_path.h"

namespace ks::store {
namespace {

class TreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = tree.add_root();
    news = tree.add(root, NodeKind::kGroup, "news");
    sub = tree.add(news, NodeKind::kGroup, "sub");
    item = tree.add(sub, NodeKind::kItem, "page", kTagPriorityHigh);
    troot = tree.add(root, NodeKind::kTemplateRoot, Tree::template_root_label());
  }
  Tree tree;
  NodeId root = kNoNode, news = kNoNode, sub = kNoNode, item = kNoNode, troot = kNoNode;
  const std::string base = "/app/";
};

TEST_F(TreeTest, NodesKnowTheirKindParentAndPath) {
  EXPECT_EQ(tree.find(item)->kind(), NodeKind::kItem);
  EXPECT_EQ(tree.find(item)->tag & kTagPriorityHigh, kTagPriorityHigh);
  EXPECT_EQ(tree.find(item)->parent, sub);
  EXPECT_EQ(tree.template_root(), troot);
  EXPECT_EQ(tree.display_path(item), "news/sub/page");
  EXPECT_EQ(tree.resolve("news/sub/page"), item);
  EXPECT_EQ(tree.resolve("/news//sub/"), sub);
  EXPECT_EQ(tree.resolve(""), root);
  EXPECT_EQ(tree.resolve("news/none"), kNoNode);
}

TEST_F(TreeTest, MoveRefusesTheOwnSubtreeAndRemoveTakesTheSubtree) {
  EXPECT_FALSE(tree.move(news, sub));
  EXPECT_FALSE(tree.move(root, news));
  EXPECT_TRUE(tree.move(item, root, 0));
  EXPECT_EQ(tree.find(root)->children.front(), item);
  EXPECT_EQ(tree.index_in_parent(item), 0u);
  EXPECT_TRUE(tree.remove(news));
  EXPECT_EQ(tree.find(sub), nullptr);
  EXPECT_EQ(tree.size(), 3u);  // root, item, template root
  EXPECT_FALSE(tree.remove(root));
}

TEST_F(TreeTest, IdsAreNotReused) {
  tree.remove(item);
  NodeId again = tree.add(sub, NodeKind::kItem, "page");
  EXPECT_NE(again, item);
  EXPECT_EQ(tree.find(item), nullptr);
}

TEST_F(TreeTest, NodePathsUseEncodedLabelsOnlyWhenFlagged) {
  EXPECT_EQ(node_path(tree, item, base), "/app/data/news.grp/sub.grp/page.dat");
  EXPECT_EQ(node_path(tree, root, base), "/app/data");
  EXPECT_EQ(node_path(tree, troot, base), "/app/data/" + Tree::template_root_label());
  NodeId t = tree.add(troot, NodeKind::kTemplate, "t");
  EXPECT_EQ(node_path(tree, t, base), "/app/data/" + Tree::template_root_label() + "/t.tpl");

  NodeId esc = tree.add(root, NodeKind::kGroup, "a:b%c", kTagEscapedName);
  EXPECT_EQ(node_path(tree, esc, base), "/app/data/a%3ab%%c.grp");
  // A foreign folder name keeps its bytes: 50%off.dat is not re-encoded.
  NodeId foreign = tree.add(root, NodeKind::kItem, "50%off");
  EXPECT_EQ(node_path(tree, foreign, base), "/app/data/50%off.dat");
}

TEST_F(TreeTest, PathsOver260BytesAreRefused) {
  // "/app/data/" is 10 bytes, ".dat" 4: a 246-byte name makes 260 exactly.
  NodeId fits = tree.add(root, NodeKind::kItem, std::string(246, 'n'));
  NodeId over = tree.add(root, NodeKind::kItem, std::string(247, 'n'));
  EXPECT_EQ(node_path(tree, fits, base)->size(), kMaxPathBytes);
  EXPECT_FALSE(node_path(tree, over, base));
  EXPECT_FALSE(node_file_path(tree, fits, base, "site.db"));

  auto np = new_child_path(tree, root, std::string(246, 'n'), NodeKind::kItem, base);
  ASSERT_TRUE(np);
  EXPECT_EQ(np->escape_flag, 0u);
  EXPECT_FALSE(new_child_path(tree, root, std::string(244, 'n') + ":", NodeKind::kItem, base));
  auto esc = new_child_path(tree, root, "a:b", NodeKind::kGroup, base);
  ASSERT_TRUE(esc);
  EXPECT_EQ(esc->path, "/app/data/a%3ab.grp");
  EXPECT_EQ(esc->escape_flag, kTagEscapedName);
}

TEST(NodeTag, KindCountsAndMarksLiveInTheirBits) {
  uint32_t tag = tag_with_kind(0, NodeKind::kGroup);
  tag = tag_with_count(tag, 12345);
  EXPECT_EQ(tag_count(tag), kMaxTagCount);
  EXPECT_EQ(tag_kind(tag), NodeKind::kGroup);
  tag = tag_with_priority(tag, 1);
  tag = tag_with_priority(tag, 2);
  EXPECT_EQ(tag & kTagPriorityMask, kTagPriorityHigh);
  tag = tag_with_result(tag, 3);
  EXPECT_EQ(tag & kTagResultMask, kTagUpdated);
  tag = tag_with_result(tag, 5);
  EXPECT_EQ(tag & kTagResultMask, kTagError);
  tag = tag_with_result(tag, 1);
  EXPECT_EQ(tag & kTagResultMask, 0u);
  EXPECT_EQ(tag_count(tag), kMaxTagCount);
}

}  // namespace
}  // namespace ks::store
