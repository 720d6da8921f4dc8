// Runs the real kestrelscan-cli against a temporary application folder.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/sjis.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace ks {
namespace {

using test::CliRun;

CliRun cli(const std::string& home, const std::vector<std::string>& args) {
  return test::run_cli(KS_CLI_PATH, home, args);
}

class CliTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::string home = dir.path();
  CliRun run(const std::vector<std::string>& args) { return cli(home, args); }
  std::string site(const std::string& rel_utf8) {
    return read_file(utf8_to_sjis(home + "/data/" + rel_utf8 + "/site.db")).value_or("<none>");
  }
};

TEST_F(CliTest, AddNamesNewItemsLikeTheTree) {
  EXPECT_EQ(run({"add", "http://a/"}).out, "新規ページ\n");
  EXPECT_EQ(run({"add", "http://b/"}).out, "新規ページ(2)\n");
  EXPECT_EQ(run({"add", "http://c/", "--name", "例"}).out, "例\n");
  EXPECT_EQ(run({"add", "http://d/", "--name", "例"}).out, "例(2)\n");
  EXPECT_NE(site("新規ページ(2).dat").find("URL=http://b/\r\n"), std::string::npos);
  EXPECT_NE(site("例.dat").find("USE_OLD_LOG=1\r\n"), std::string::npos);
}

TEST_F(CliTest, AddInTheTemplateRootMakesTemplates) {
  EXPECT_EQ(run({"add", "http://t/", "--group", "テンプレート"}).out,
            "テンプレート/新規テンプレート\n");
  EXPECT_EQ(run({"add", "http://u/", "--group", "テンプレート"}).out,
            "テンプレート/新規テンプレート(2)\n");
  EXPECT_NE(site("テンプレート/新規テンプレート.tpl").find("URL=http://t/"), std::string::npos);
  EXPECT_EQ(run({"get", "テンプレート/新規テンプレート(2)", "URL"}).out, "URL=http://u/\n");
}

TEST_F(CliTest, GroupsAreMadeWithTheirParentsAndNamesAreEncoded) {
  CliRun g = run({"group", "ニュース/a:b%c"});
  ASSERT_EQ(g.status, 0) << g.err;
  EXPECT_EQ(g.out, "ニュース/a:b%c\n");
  EXPECT_TRUE(is_directory(utf8_to_sjis(home + "/data/ニュース.grp/a%3ab%%c.grp")));
  CliRun a = run({"add", "http://x/", "--name", "q?", "--group", "ニュース/a:b%c"});
  ASSERT_EQ(a.status, 0) << a.err;
  EXPECT_EQ(a.out, "ニュース/a:b%c/q?\n");
  EXPECT_NE(site("ニュース.grp/a%3ab%%c.grp/q%3f.dat"), "<none>");
  EXPECT_EQ(run({"add", "http://x/", "--group", "nowhere"}).status, 1);
  EXPECT_EQ(run({"group", "ニュース/a:b%c/q?"}).status, 1);  // an item is in the way
}

TEST_F(CliTest, AddAndGroupSaveTheOrderWhenSortingIsOff) {
  ASSERT_EQ(run({"options", "AUTO_TREE_SORT=0"}).status, 0);
  ASSERT_EQ(run({"add", "http://b/", "--name", "b"}).status, 0);
  ASSERT_EQ(run({"group", "a"}).status, 0);
  ASSERT_EQ(run({"add", "http://c/", "--name", "c", "--group", "a"}).status, 0);
  std::string db = read_file(home + "/data/tree.db").value_or("");
  EXPECT_NE(db.find("b"), std::string::npos);
  EXPECT_NE(db.find("\tc"), std::string::npos) << db;
  // Shown in the order they were made, not sorted, and none is missing.
  std::string out = run({"list"}).out;
  ASSERT_NE(out.find("  b  ["), std::string::npos) << out;
  EXPECT_LT(out.find("  b  ["), out.find("  a  [")) << out;
  EXPECT_NE(out.find("    c  ["), std::string::npos) << out;
}

TEST_F(CliTest, EveryCommandLoadsTheTreeThroughStartUp) {
  ASSERT_EQ(run({"add", "http://x/", "--name", "x"}).status, 0);
  // A cache left behind is read once and deleted, whatever the command.
  const std::string cache = home + "/data/treecache.tmp";
  ASSERT_TRUE(write_file_atomic(cache, "not a cache"));
  EXPECT_EQ(run({"get", "x", "URL"}).out, "URL=http://x/\n");
  EXPECT_FALSE(path_exists(cache));
  ASSERT_TRUE(write_file_atomic(cache, "not a cache"));
  EXPECT_EQ(run({"set", "x", "URL=http://y/"}).status, 0);
  EXPECT_FALSE(path_exists(cache));
}

TEST_F(CliTest, SetAndGetByKeyName) {
  run({"add", "http://x/", "--name", "p"});
  CliRun s = run({"set", "p", "SITE_PRIORITY=2", "COMMENT=one\ntwo", "NGWORD3=広告"});
  ASSERT_EQ(s.status, 0) << s.err;
  EXPECT_NE(site("p.dat").find("COMMENT=one\x01\x02two\r\n"), std::string::npos);
  CliRun g = run({"get", "p", "SITE_PRIORITY", "NGWORD3", "COMMENT", "OPTION_CHANGED"});
  EXPECT_EQ(g.out, "SITE_PRIORITY=2\nNGWORD3=広告\nCOMMENT=one\\ntwo\nOPTION_CHANGED=1\n");
  EXPECT_NE(run({"list"}).out.find("p  [item, importance high]"), std::string::npos);
}

TEST_F(CliTest, BadValuesAreRefusedAndNothingIsWritten) {
  run({"add", "http://x/", "--name", "p"});
  const std::string before = site("p.dat");
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {{"set", "p", "URL=http://ok/", "NO_SUCH=1"}, "unknown setting: NO_SUCH"},
      {{"set", "p", "url=http://x/"}, "unknown setting: url"},
      {{"set", "p", "SITE_PRIORITY=high"}, "SITE_PRIORITY takes a whole number"},
      {{"set", "p", "SITE_PRIORITY=3"}, "SITE_PRIORITY must be between 0 and 2"},
      {{"set", "p", "NGWORD0=" + std::string(65, 'w')}, "NGWORD0 takes at most 64 bytes"},
      {{"set", "p", "AUTH_PASS=" + std::string(73, 'p')}, "AUTH_PASS is too long"},
      {{"set", "p"}, "usage"},
  };
  for (const Case& c : cases) {
    CliRun r = run(c.args);
    EXPECT_EQ(r.status, 2) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  EXPECT_EQ(site("p.dat"), before);
  CliRun missing = run({"set", "nope", "URL=x"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "kestrelscan-cli: no such item or group: nope\n");
}

TEST_F(CliTest, ThePasswordIsStoredEnciphered) {
  run({"add", "http://x/", "--name", "p"});
  ASSERT_EQ(run({"set", "p", "AUTH_TYPE=1", "AUTH_ID=me", "AUTH_PASS=s3cret"}).status, 0);
  EXPECT_EQ(site("p.dat").find("s3cret"), std::string::npos);
  std::string pass = run({"get", "p", "AUTH_PASS"}).out;
  EXPECT_EQ(pass.rfind("AUTH_PASS=", 0), 0u);
  EXPECT_GT(pass.size(), 12u);
  // The authentication page does not mark the record as changed.
  EXPECT_EQ(run({"get", "p", "OPTION_CHANGED"}).out, "OPTION_CHANGED=0\n");
}

TEST_F(CliTest, ListShowsKindsAndMarks) {
  run({"group", "g"});
  run({"add", "http://x/", "--name", "i", "--group", "g"});
  write_file_atomic(home + "/data/g.grp/i.dat/result.db", "[RESULT]\r\nCODE=3\r\n");
  CliRun l = run({"list"});
  EXPECT_EQ(l.out,
            "data  [root]\n"
            "  g  [group]\n"
            "    i  [item, updated]\n"
            "  テンプレート  [templates]\n");
  EXPECT_EQ(run({"list", "g"}).out, "g  [group]\n  i  [item, updated]\n");
  EXPECT_EQ(run({"list", "none"}).status, 1);
}

TEST_F(CliTest, OptionsAreCheckedBeforeTheyAreSaved) {
  EXPECT_EQ(run({"options", "TIMEOUT", "FONT.POINT"}).out, "TIMEOUT=30\nFONT.POINT=10\n");
  EXPECT_EQ(run({"options", "TIMEOUT=45", "MAX_CONNECTION=8"}).status, 0);
  EXPECT_EQ(run({"options", "TIMEOUT", "MAX_CONNECTION"}).out, "TIMEOUT=45\nMAX_CONNECTION=8\n");
  CliRun bad = run({"options", "RETRY=3", "TIMEOUT=100"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.err, "kestrelscan-cli: TIMEOUT must be between 5 and 99\n");
  EXPECT_EQ(run({"options", "RETRY"}).out, "RETRY=1\n");
  EXPECT_EQ(run({"options", "NOPE=1"}).status, 2);
  EXPECT_NE(run({"options"}).out.find("TREEFONT.FACENAME="), std::string::npos);
}

TEST_F(CliTest, ARelativeHomeIsTakenFromTheCurrentFolder) {
  std::array<char, 4096> cwd{};
  ASSERT_TRUE(::getcwd(cwd.data(), cwd.size()));
  ASSERT_EQ(::chdir(home.c_str()), 0);
  CliRun r = cli("rel", {"add", "http://x/"});
  ASSERT_EQ(::chdir(cwd.data()), 0);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(is_directory(utf8_to_sjis(home + "/rel/data/新規ページ.dat")));
}

}  // namespace
}  // namespace ks
