#include "platform/sjis.h"

#include <gtest/gtest.h>

namespace ks {
namespace {

TEST(Sjis, RoundTripsJapanese) {
  std::string sj = utf8_to_sjis("新規ページ");
  EXPECT_EQ(sj, "\x90\x56\x8B\x4B\x83\x79\x81\x5B\x83\x57");
  EXPECT_EQ(sjis_to_utf8(sj), "新規ページ");
}

TEST(Sjis, LiteralHelperConvertsOnce) {
  const std::string& a = KS_SJ("エラー");
  EXPECT_EQ(a, utf8_to_sjis("エラー"));
  EXPECT_EQ(sjis_to_utf8(a), "エラー");
}

TEST(Sjis, TrailByte5CIsPartOfThePair) {
  // "表" is 0x95 0x5C: the 0x5C is a trail byte, not a backslash.
  std::string sj = utf8_to_sjis("表");
  ASSERT_EQ(sj, "\x95\x5C");
  EXPECT_TRUE(is_sjis_pair(sj, 0));
  EXPECT_EQ(sjis_to_utf8(sj), "表");
}

TEST(Sjis, FitNeverEndsInsideADoubleByteCharacter) {
  const std::string sj = "a" + utf8_to_sjis("表示") + "b";  // a 95 5C 8E A6 b
  EXPECT_EQ(sjis_fit(sj, 100), sj.size());
  EXPECT_EQ(sjis_fit(sj, 0), 0u);
  EXPECT_EQ(sjis_fit(sj, 2), 1u);  // would split 表
  EXPECT_EQ(sjis_fit(sj, 3), 3u);
  EXPECT_EQ(sjis_fit(sj, 4), 3u);  // would split 示
  // A lead byte without a valid trail byte is a byte of its own.
  EXPECT_EQ(sjis_fit(std::string("x\x95\x7Fy"), 2), 2u);
}

TEST(Sjis, WindowsChoicesForDuplicatedCodes) {
  EXPECT_EQ(unicode_to_cp932(U'\u2170'), 0xFA40);  // small roman one: IBM row, not NEC row 0xEE
  EXPECT_EQ(unicode_to_cp932(U'\u2160'), 0x8754);  // roman one: NEC row 13 is lower than 0xFA4A
  EXPECT_EQ(unicode_to_cp932(U'\uFFE2'), 0x81CA);  // not sign
  EXPECT_EQ(unicode_to_cp932(U'\u301C'), -1);      // wave dash: only a fallback maps it
  EXPECT_EQ(cp932_to_unicode(0x8160), 0xFF5E);     // decodes to the full-width tilde
  EXPECT_EQ(cp932_to_unicode(0xA0), -1);
  EXPECT_EQ(cp932_to_unicode(0xB1), 0xFF71);  // half-width katakana a
}

TEST(Sjis, InvalidInputIsReplacedOrRefused) {
  EXPECT_EQ(utf8_to_sjis("a\xFF"
                         "b"),
            "a?b");
  EXPECT_EQ(utf8_to_sjis("\xF0\x9F\x98\x80"), "?");  // no Shift_JIS form
  std::string out = "keep";
  EXPECT_FALSE(utf8_to_sjis_strict("\xF0\x9F\x98\x80", out));
  EXPECT_EQ(out, "keep");
  EXPECT_EQ(sjis_to_utf8("\xA0"), "\xEF\xBF\xBD");
  EXPECT_FALSE(is_valid_utf8("\xC0\x80"));  // overlong
  EXPECT_TRUE(is_valid_utf8("ページ"));
}

}  // namespace
}  // namespace ks
