#include "store/fast_reader.h"

#include <gtest/gtest.h>

namespace ks::store {
namespace {

TEST(FastReader, FollowsTheLineRules) {
  FastReader r(
      "  [CONFIG]  trailing\r\n"
      "\tURL  =   http://x/  \r\n"
      "EMPTY=\n"
      "NOEQ\n"
      "stray text here\n"
      "N = -42abc\n");
  EXPECT_EQ(r.find("CONFIG", "URL"), "http://x/");
  EXPECT_EQ(r.find("CONFIG", "EMPTY"), "");
  EXPECT_EQ(r.find("CONFIG", "NOEQ"), "");
  EXPECT_EQ(r.get_int("CONFIG", "N", 7), -42);
  EXPECT_EQ(r.get_int("CONFIG", "EMPTY", 7), 7);
  EXPECT_EQ(r.get_int("CONFIG", "stray text here", 7), 7);
}

TEST(FastReader, NamesCompareWithExactCase) {
  FastReader r("[CONFIG]\nurl=lower\n[config]\nURL=wrong section\n");
  EXPECT_FALSE(r.find("CONFIG", "URL"));
  EXPECT_EQ(r.find("CONFIG", "url"), "lower");
  EXPECT_EQ(r.find("config", "URL"), "wrong section");
}

TEST(FastReader, KeysBeforeAnySectionAreNotFound) {
  FastReader r("URL=x\n[CONFIG]\n");
  EXPECT_FALSE(r.find("CONFIG", "URL"));
  EXPECT_FALSE(r.find("", "URL"));
}

TEST(FastReader, IndexesAtMost100SectionsAnd200Keys) {
  std::string s;
  for (int i = 0; i < 101; ++i) s += "[S" + std::to_string(i) + "]\nK=" + std::to_string(i) + "\n";
  FastReader sections(s);
  EXPECT_EQ(sections.section_count(), kMaxFastSections);
  EXPECT_EQ(sections.find("S99", "K"), "99");
  EXPECT_FALSE(sections.find("S100", "K"));

  std::string k = "[CONFIG]\n";
  for (int i = 0; i < 201; ++i) k += "K" + std::to_string(i) + "=v\n";
  FastReader keys(k);
  EXPECT_EQ(keys.key_count(), kMaxFastKeys);
  EXPECT_TRUE(keys.find("CONFIG", "K199"));
  EXPECT_FALSE(keys.find("CONFIG", "K200"));
}

TEST(FastReader, ReadsOnly65535Bytes) {
  std::string s = "[CONFIG]\nA=";
  s += std::string(kMaxFastReadBytes - s.size() - 3, 'x');
  s += "\nB=1\n";  // the key B starts at byte 65534: only "B" fits
  FastReader r(s);
  EXPECT_EQ(r.find("CONFIG", "A")->size(), kMaxFastReadBytes - 14);
  EXPECT_EQ(r.find("CONFIG", "B"), "");
}

TEST(FastReader, TrailBytesAreNotDelimiters) {
  // 0x83 0x5D is a character whose trail byte is ']'.
  FastReader r(
      "[A\x83\x5D"
      "B]\nK\x95\x5C=\x95\x5C\n");
  EXPECT_EQ(r.find("A\x83\x5D"
                   "B",
                   "K\x95\x5C"),
            "\x95\x5C");
}

TEST(FastReader, StringsAreCutToCapacityOnACharacterBoundary) {
  FastReader r("[C]\nS=abcdef\nJ=a\x95\x5C\x95\x5C\n");
  EXPECT_EQ(r.get_string("C", "S", 4), "abc");
  EXPECT_EQ(r.get_string("C", "J", 5), "a\x95\x5C");
  EXPECT_EQ(r.get_string("C", "missing", 10), "");
}

TEST(ParseDecimal, SaturatesAndStopsAtTheFirstNonDigit) {
  EXPECT_EQ(parse_decimal("  12x3"), 12);
  EXPECT_EQ(parse_decimal("x"), 0);
  EXPECT_EQ(parse_decimal("99999999999"), 2147483647);
  EXPECT_EQ(parse_decimal("-99999999999"), -2147483647 - 1);
  EXPECT_EQ(parse_decimal("+5"), 5);
}

}  // namespace
}  // namespace ks::store
