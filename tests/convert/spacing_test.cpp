#include <gtest/gtest.h>

#include "convert_test_util.h"

namespace ks::convert::test {
namespace {

TEST(Spacing, WhiteSpaceCollapsesAndLineBreakAfterAsciiIsOneSpace) {
  EXPECT_EQ(convert("a  b\r\nc"), "a b c");
  EXPECT_EQ(convert("  \t lead"), "lead");
  EXPECT_EQ(convert("x\f\fy"), "x y");
}

TEST(Spacing, JapaneseAcrossASourceLineBreakJoinsWithoutSpace) {
  EXPECT_EQ(convert(sj("日本\n語")), sj("日本語"));
  // Half-width katakana after a source line break: no space either.
  EXPECT_EQ(convert(sj("日本\nｶﾅ")), sj("日本ｶﾅ"));
  // ASCII after Japanese and a line break does get one.
  EXPECT_EQ(convert(sj("日本\nabc")), sj("日本 abc"));
  // A real space between Japanese characters stays.
  EXPECT_EQ(convert(sj("日本 語")), sj("日本 語"));
}

TEST(Spacing, TrailBytesThatLookLikeAsciiStayInTheirCharacter) {
  // "表" is 0x95 0x5C, "ソ" 0x83 0x5C: the trail 0x5C is not text of its own.
  std::string body = "\x95\x5C\n\x83\x5C";
  EXPECT_EQ(convert(body), "\x95\x5C\x83\x5C");
}

TEST(Spacing, SpanTurnsTextIntoAPendingSpace) {
  EXPECT_EQ(convert("a<span>b</span>c"), "a b c");
  EXPECT_EQ(convert("a<b>b</b>c"), "abc");
}

TEST(Spacing, BareLessThanIsText) {
  EXPECT_EQ(convert("1 < 2 and 3<4"), "1 < 2 and 3<4");
  EXPECT_EQ(convert("a <= b"), "a <= b");
}

TEST(Spacing, EntitiesStayInTheLine) {
  EXPECT_EQ(convert("A &amp; B &copy;"), "A &amp; B &copy;");
}

}  // namespace
}  // namespace ks::convert::test
