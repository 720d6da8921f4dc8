// Regular expressions with the library present and absent.
#include <gtest/gtest.h>

#include "compare/regex.h"
#include "compare_fixture.h"
#include "platform/sjis.h"

namespace ks::compare::test {
namespace {

const RegexLibrary& loaded() {
  static bool once = RegexLibrary::shared().load();
  (void)once;
  return RegexLibrary::shared();
}

TEST(Regex, SearchesBytes) {
  if (!loaded().available()) GTEST_SKIP() << "libonig.so.5 is not installed";
  Regex r(loaded(), "^a.c");
  ASSERT_TRUE(r.ok());
  EXPECT_TRUE(r.search("abc def"));
  EXPECT_FALSE(r.search("xabc"));
  Regex sj(loaded(), KS_SJ("更新"));  // a double-byte pattern matches its bytes
  EXPECT_TRUE(sj.search(KS_SJ("本日更新しました")));
  EXPECT_FALSE(Regex(loaded(), "a(b").ok());
  EXPECT_FALSE(Regex(loaded(), "a(b").search("a(b"));
  EXPECT_NE(loaded().version_line().find(KS_SJ("のﾊﾞｰｼﾞｮﾝ")), std::string::npos);
}

TEST(Regex, AbsentLibraryNeverMatches) {
  RegexLibrary missing;
  EXPECT_FALSE(missing.load("libonig-not-installed.so.5"));
  EXPECT_FALSE(Regex(missing, "a").ok());
  EXPECT_FALSE(Regex(missing, "a").search("a"));
  EXPECT_EQ(missing.version_line(), KS_SJ("正規表現ﾗｲﾌﾞﾗﾘ : ﾛｰﾄﾞされていません。\r\n"));
}

TEST(Regex, LibraryWithoutTheFunctionsIsUnavailable) {
  RegexLibrary wrong;
  EXPECT_FALSE(wrong.load("libz.so.1"));
  EXPECT_FALSE(wrong.available());
}

using RegexRules = CompareFixture;

TEST_F(RegexRules, NgWordPatternsWithAndWithoutLibrary) {
  write_old({"keep"});
  write_new({"keep", "ad: buy", "news"});
  settings().ng_words[0] = "^ad:";
  settings().use_regexp_ngword = 1;
  RegexLibrary missing;
  missing.load("libonig-not-installed.so.5");
  task_.env.regex = &missing;
  EXPECT_EQ(run(), CheckStatus::kChanged);
  EXPECT_EQ(added(), (Lines{"ad: buy", "news"}));  // unfiltered without the library
  if (!loaded().available()) GTEST_SKIP() << "libonig.so.5 is not installed";
  task_.env.regex = &loaded();
  EXPECT_EQ(run(), CheckStatus::kChanged);
  EXPECT_EQ(added(), Lines{"news"});
}

TEST_F(RegexRules, AnchorsAfterDecoding) {
  if (!loaded().available()) GTEST_SKIP() << "libonig.so.5 is not installed";
  write_old({"keep"});
  write_new({"keep", "&lt;b&gt; x", "y <b>"});
  settings().ok_words[0] = "^<b>";
  settings().use_regexp_okword = 1;
  EXPECT_EQ(run(), CheckStatus::kChanged);
  EXPECT_EQ(added(), Lines{"&lt;b&gt; x"});
}

TEST_F(RegexRules, CheckAreaPatternWithoutLibraryIsNotFound) {
  write_old({"S", "a"});
  write_new({"S", "b"});
  settings().check_areas[0].start = "^S$";
  settings().use_regexp_check_area = 1;
  RegexLibrary missing;
  task_.env.regex = &missing;
  EXPECT_EQ(run(), CheckStatus::kAreaNotFound);
  if (!loaded().available()) GTEST_SKIP() << "libonig.so.5 is not installed";
  task_.env.regex = &loaded();
  EXPECT_EQ(run(), CheckStatus::kChanged);
}

}  // namespace
}  // namespace ks::compare::test
