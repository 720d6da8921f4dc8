// The byte formats of tree.db and treecache.tmp, the placement rules shared by
// both readers, the sibling order and the count suffix.
#include <gtest/gtest.h>

#include "platform/sjis.h"
#include "store/tree.h"
#include "store/tree_cache.h"
#include "store/tree_db.h"
#include "store/tree_lines.h"
#include "store/tree_sort.h"

namespace ks::store {
namespace {

OrderLine line(int depth, std::string name, NodeKind kind, uint32_t extra = 0) {
  return OrderLine{depth, std::move(name), kind, tag_with_kind(extra, kind)};
}

std::vector<std::string> placed_paths(const std::vector<OrderLine>& lines) {
  std::vector<std::string> out;
  for (const PlacedLine& p : place_order_lines(lines, "/d")) out.push_back(p.path);
  return out;
}

TEST(TreeCacheCrc, MatchesTheBzip2CheckValue) {
  // The standard check input for CRC-32/BZIP2 gives 0xFC891918.
  EXPECT_EQ(crc32_bzip2_final(crc32_bzip2_update(kCrcInit, "123456789")), 0xFC891918u);
}

TEST(TreeCacheFormat, EmptyTreeStoresAllOnesAndIsAccepted) {
  std::string bytes = format_cache({});
  EXPECT_EQ(bytes, "Kestrelscan v0.134\r\nFFFFFFFF\r\n");
  CacheParse p = parse_cache(bytes);
  EXPECT_EQ(p.status, CacheStatus::kOk);
  EXPECT_TRUE(p.lines.empty());
}

TEST(TreeCacheFormat, RoundTripKeepsDepthNameAndWholeTag) {
  std::vector<OrderLine> lines = {line(0, "g", NodeKind::kGroup, 5u << 10),
                                  line(1, "a%3ab", NodeKind::kItem, kTagEscapedName | kTagUpdated),
                                  line(0, Tree::template_root_label(), NodeKind::kTemplateRoot),
                                  line(1, "t", NodeKind::kTemplate, kTagPriorityHigh)};
  CacheParse p = parse_cache(format_cache(lines));
  ASSERT_EQ(p.status, CacheStatus::kOk);
  ASSERT_EQ(p.lines.size(), lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(p.lines[i].depth, lines[i].depth);
    EXPECT_EQ(p.lines[i].name, lines[i].name);
    EXPECT_EQ(p.lines[i].tag, lines[i].tag);
    EXPECT_EQ(p.lines[i].kind, lines[i].kind);
  }
}

TEST(TreeCacheFormat, ChecksumCountsLinesWithLfOnly) {
  // The same file with LF line ends has the same checksum and is accepted.
  std::string bytes = format_cache({line(0, "x", NodeKind::kItem)});
  std::string lf;
  for (char c : bytes)
    if (c != '\r') lf += c;
  EXPECT_EQ(parse_cache(lf).status, CacheStatus::kOk);
}

TEST(TreeCacheFormat, RejectsOtherBannerBadKindWrongSumAndMissingTag) {
  std::string good = format_cache({line(0, "x", NodeKind::kItem)});
  std::string other = good;
  other.replace(0, 18, "Kestrelscan v0.133");
  EXPECT_EQ(parse_cache(other).status, CacheStatus::kBadBanner);
  EXPECT_EQ(parse_cache("").status, CacheStatus::kBadBanner);

  std::string flipped = good;
  flipped.replace(flipped.find("x\r\n"), 1, "y");
  EXPECT_EQ(parse_cache(flipped).status, CacheStatus::kBadChecksum);

  EXPECT_EQ(parse_cache("Kestrelscan v0.134\r\nFFFFFFFF\r\nx\r\n0\r\n").status,
            CacheStatus::kBadKind);
  EXPECT_EQ(parse_cache("Kestrelscan v0.134\r\nFFFFFFFF\r\nx\r\n").status, CacheStatus::kBadKind);
}

TEST(TreeDbFormat, WritesWarningTabsAndExtensions) {
  std::vector<OrderLine> lines = {line(0, "g", NodeKind::kGroup), line(1, "i", NodeKind::kItem),
                                  line(0, Tree::template_root_label(), NodeKind::kTemplateRoot),
                                  line(1, "t", NodeKind::kTemplate)};
  std::string expect = tree_db_warning() + "\r\ng.grp\r\n\ti.dat\r\n" +
                       Tree::template_root_label() + "\r\n\tt.tpl\r\n";
  EXPECT_EQ(format_tree_db(lines), expect);
  std::vector<OrderLine> back = parse_tree_db(expect);
  ASSERT_EQ(back.size(), 4u);
  EXPECT_EQ(back[1].depth, 1);
  EXPECT_EQ(back[1].name, "i");
  EXPECT_EQ(back[2].kind, NodeKind::kTemplateRoot);
}

TEST(TreeDbFormat, ExtensionIsCaseBlindAndOtherLinesAreDropped) {
  std::vector<OrderLine> back = parse_tree_db("warning\nA.DAT\nnotes.txt\n\nB.Grp\r\n");
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].kind, NodeKind::kItem);
  EXPECT_EQ(back[0].name, "A");
  EXPECT_EQ(back[1].kind, NodeKind::kGroup);
  EXPECT_EQ(back[1].name, "B");
}

TEST(OrderPlacement, TwoLevelJumpIsSkippedWithItsChildren) {
  std::vector<OrderLine> lines = {
      line(0, "g", NodeKind::kGroup),    line(1, "h", NodeKind::kGroup),
      line(3, "deep", NodeKind::kGroup), line(4, "child", NodeKind::kItem),
      line(2, "ok", NodeKind::kItem),    line(1, "after", NodeKind::kItem)};
  EXPECT_EQ(placed_paths(lines),
            (std::vector<std::string>{"/d/g.grp", "/d/g.grp/h.grp", "/d/g.grp/h.grp/ok.dat",
                                      "/d/g.grp/after.dat"}));
}

TEST(OrderPlacement, ItemsTakeNoChildrenAndSkippedGroupsTakeTheirs) {
  std::vector<OrderLine> lines = {line(0, "i", NodeKind::kItem), line(1, "under", NodeKind::kItem),
                                  line(0, std::string(600, 'x'), NodeKind::kGroup),
                                  line(1, "lost", NodeKind::kItem), line(0, "j", NodeKind::kItem)};
  EXPECT_EQ(placed_paths(lines), (std::vector<std::string>{"/d/i.dat", "/d/j.dat"}));
}

TEST(OrderPlacement, NamesThatLeaveTheDataFolderAreSkipped) {
  std::vector<OrderLine> lines = parse_tree_db(
      "w\r\n../x.dat\r\n/etc/y.dat\r\n..\\z.dat\r\n.dat\r\n\t../../a.dat\r\nok.dat\r\n");
  // "..\z" is one harmless folder name on this system; the rest try to climb.
  EXPECT_EQ(placed_paths(lines), (std::vector<std::string>{"/d/..\\z.dat", "/d/ok.dat"}));
  EXPECT_FALSE(is_safe_component(".."));
  EXPECT_FALSE(is_safe_component(std::string("a\0b", 3)));
}

TEST(OrderPlacement, TemplatesOnlyUnderTheSingleTemplateRoot) {
  const std::string& troot = Tree::template_root_label();
  std::vector<OrderLine> lines = {
      line(0, "t0", NodeKind::kTemplate),      line(0, troot, NodeKind::kTemplateRoot),
      line(1, "t1", NodeKind::kTemplate),      line(1, "i", NodeKind::kItem),
      line(0, troot, NodeKind::kTemplateRoot), line(0, "g", NodeKind::kGroup),
      line(1, "t2", NodeKind::kTemplate)};
  EXPECT_EQ(placed_paths(lines),
            (std::vector<std::string>{"/d/" + troot, "/d/" + troot + "/t1.tpl", "/d/g.grp"}));
}

TEST(TreeSortOrder, LabelsFoldAsciiCaseThenBytes) {
  EXPECT_TRUE(label_less("abc", "ABD"));
  EXPECT_TRUE(label_less("ABC", "abc"));  // equal when folded: exact bytes decide
  EXPECT_FALSE(label_less("abc", "abc"));
  EXPECT_TRUE(label_less("ab", "abc"));
  EXPECT_TRUE(label_less("z", "\x82\xa0"));  // ASCII before double-byte
  // Trail bytes in A..Z are not letters: 0x82 0x41 and 0x82 0x61 keep byte order.
  EXPECT_TRUE(label_less("\x83\x41", "\x83\x61"));
  EXPECT_FALSE(label_less("\x83\x61", "\x83\x41"));
}

TEST(TreeCountSuffix, ShowsCapWithPlus) {
  EXPECT_EQ(count_suffix(0), " 0");
  EXPECT_EQ(count_suffix(9999), " 9999");
  EXPECT_EQ(count_suffix(10000), " 9999+");
  EXPECT_EQ(tag_count(tag_with_count(tag_with_kind(0, NodeKind::kGroup), 12000)), 10000u);
}

}  // namespace
}  // namespace ks::store
