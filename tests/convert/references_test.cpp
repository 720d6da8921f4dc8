#include <gtest/gtest.h>

#include "convert/entities.h"
#include "convert_test_util.h"

namespace ks::convert::test {
namespace {

std::string decoded(std::string_view s) {
  std::string t(s);
  decode_references(t);
  return t;
}

TEST(References, NamedReferences) {
  EXPECT_EQ(decoded("&copy; 2024 &amp; &lt;b&gt; &quot;q&quot; &apos;"), "(C) 2024 & <b> \"q\" '");
  EXPECT_EQ(decoded("caf&eacute; &AElig;&szlig;"), "cafe AEss");
  EXPECT_EQ(decoded("&nbsp;&ensp;x"), "  x");
  EXPECT_EQ(decoded("&ldquo;x&rdquo;"), sj("“ x”"));
  EXPECT_EQ(decoded("&alpha;&Omega;&sigmaf;"), sj("αΩσ"));
  EXPECT_EQ(decoded("&yen;&sect;&hellip;&rarr;"), sj("￥§…→"));
}

TEST(References, UnknownOrMalformedReferencesStay) {
  EXPECT_EQ(decoded("&unknown; & x &; &COPY;"), "&unknown; & x &; &COPY;");
  EXPECT_EQ(decoded("&abcdefghij; &abcdefghi"), "&abcdefghij; &abcdefghi");
  EXPECT_EQ(decoded("&#; &#x;"), "&#; &#x;");
}

TEST(References, DoubleAmpersandBecomesOne) {
  EXPECT_EQ(decoded("a&&amp;b"), "a&amp;b");
}

TEST(References, TerminatorOtherThanSemicolonStays) {
  EXPECT_EQ(decoded("&lt b &copy-2"), "< b (C)-2");
  EXPECT_EQ(decoded("&copy2"), "&copy2");  // digits belong to the name
}

TEST(References, NumericReferences) {
  EXPECT_EQ(decoded("&#x2460;&#9312;&#65;&#x3042;"), sj("①①Aあ"));
  EXPECT_EQ(decoded("&#128512;"), "??");  // no Shift_JIS form
  EXPECT_EQ(decoded("&#160;&#148;&#149;"), sj(" ”･"));
  EXPECT_EQ(decoded("&#x216B;&#x3231;&#x3233;&#x322A;"), "XII" + sj("㈱(社)(月)"));
  EXPECT_EQ(decoded("&#x2122;"), "TM");
  // NUL would end the line for every later reader.
  EXPECT_EQ(decoded("a&#0;b"), "a??b");
}

TEST(References, ResultIsNeverLonger) {
  for (const char* s : {"&#1;", "&#x1;", "&lt", "&ldquo", "&#12345", "&harr;", "&#x3233"}) {
    EXPECT_LE(decoded(s).size(), std::string_view(s).size()) << s;
  }
}

TEST(References, ShiftJisTrailBytesAreNotAmpersands) {
  // 0x26 is never a trail byte, but a kanji next to a reference is kept intact.
  std::string s = sj("表") + "&amp;" + sj("ソ");
  EXPECT_EQ(decoded(s), sj("表") + "&" + sj("ソ"));
}

}  // namespace
}  // namespace ks::convert::test
