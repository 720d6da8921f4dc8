// The tree commands of kestrelscan-cli (mv, cp, rm, rename, repair, template,
// list in stored order) run for real against a temporary application folder,
// with stdin not a terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/sjis.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace ks {
namespace {

using CliResult = test::CliRun;

class TreeCommands : public ::testing::Test {
 protected:
  // Runs the CLI with stdin from /dev/null and the trash inside the test folder.
  CliResult run(const std::vector<std::string>& args) {
    return test::run_cli(KS_CLI_PATH, home, args, {{{"XDG_DATA_HOME", dir.file("xdg")}}});
  }
  bool exists(const std::string& rel_utf8) {
    return path_exists(utf8_to_sjis(home + "/data/" + rel_utf8));
  }
  std::string tree_db() { return sjis_to_utf8(read_file(home + "/data/tree.db").value_or("")); }
  void SetUp() override {
    ASSERT_EQ(run({"options", "AUTO_TREE_SORT=0"}).status, 0);
    ASSERT_EQ(run({"group", "news"}).status, 0);
    ASSERT_EQ(run({"add", "http://a.example/", "--name", "one", "--group", "news"}).status, 0);
    ASSERT_EQ(run({"add", "http://b.example/", "--name", "two", "--group", "news"}).status, 0);
    ASSERT_EQ(run({"repair", "--yes"}).status, 0);  // writes tree.db for the new folders
  }

  test::TempDir dir;
  std::string home = dir.path();
};

TEST_F(TreeCommands, MvReordersAndListShowsTheStoredOrderWithCounts) {
  CliResult r = run({"mv", "news/two", "news", "--before", "one"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(tree_db().find("\ttwo.dat\r\n\tone.dat"), std::string::npos);
  ASSERT_EQ(run({"options", "TREEVIEW_DISP_ITEM_COUNT=1"}).status, 0);
  CliResult list = run({"list"});
  EXPECT_NE(list.out.find("news 2  [group]\n    two  [item]\n    one  [item]"), std::string::npos)
      << list.out;
  EXPECT_EQ(run({"mv", "news", "news"}).status, 1);  // not into itself
}

TEST_F(TreeCommands, MvBetweenGroupsMovesTheFolder) {
  ASSERT_EQ(run({"group", "old"}).status, 0);
  ASSERT_EQ(run({"repair", "--yes"}).status, 0);
  CliResult r = run({"mv", "news/one", "old"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(exists("old.grp/one.dat/site.db"));
  EXPECT_FALSE(exists("news.grp/one.dat"));
}

TEST_F(TreeCommands, CpOntoItselfMakesNamedCopies) {
  ASSERT_EQ(run({"cp", "news/one", "news/one"}).status, 0);
  EXPECT_TRUE(exists("news.grp/コピー ～ one.dat/site.db"));
  CliResult list = run({"list", "news"});
  EXPECT_NE(list.out.find("コピー ～ one  [item]\n  one  [item]"), std::string::npos) << list.out;
}

TEST_F(TreeCommands, ConflictsRefuseWithoutATerminalAndFollowYesOrNo) {
  ASSERT_EQ(run({"group", "other"}).status, 0);
  ASSERT_EQ(run({"add", "http://c.example/", "--name", "one", "--group", "other"}).status, 0);
  ASSERT_EQ(run({"repair", "--yes"}).status, 0);
  CliResult asked = run({"cp", "news/one", "other"});
  EXPECT_EQ(asked.status, 1);
  EXPECT_NE(asked.err.find("stdin is not a terminal"), std::string::npos);
  CliResult no = run({"cp", "news/one", "other", "--no"});
  EXPECT_EQ(no.status, 0) << no.err;
  EXPECT_NE(read_file(home + "/data/other.grp/one.dat/site.db").value_or("").find("c.example"),
            std::string::npos);
  CliResult yes = run({"cp", "news/one", "other", "--yes"});
  EXPECT_EQ(yes.status, 0) << yes.err;
  EXPECT_NE(read_file(home + "/data/other.grp/one.dat/site.db").value_or("").find("a.example"),
            std::string::npos);
}

TEST_F(TreeCommands, RmAsksAndYesSendsToTheTrash) {
  CliResult asked = run({"rm", "news/one"});
  EXPECT_EQ(asked.status, 1);
  EXPECT_TRUE(exists("news.grp/one.dat"));
  CliResult yes = run({"rm", "news/one", "--yes"});
  EXPECT_EQ(yes.status, 0) << yes.err;
  EXPECT_FALSE(exists("news.grp/one.dat"));
  EXPECT_TRUE(is_directory(dir.file("xdg/Trash/files/one.dat")));
  EXPECT_EQ(run({"rm", "/", "--yes"}).status, 1);
}

TEST_F(TreeCommands, RenameEncodesTheFolderName) {
  CliResult r = run({"rename", "news", "a:b"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "a:b\n");
  EXPECT_TRUE(exists("a%3ab.grp/one.dat"));
  EXPECT_NE(tree_db().find("a%3ab.grp\r\n"), std::string::npos);
}

TEST_F(TreeCommands, TemplateAddAndListInMatchingOrder) {
  ASSERT_EQ(run({"template", "add", "wide", "--match", "example"}).status, 0);
  ASSERT_EQ(run({"template", "add", "narrow", "--match", "a.example"}).status, 0);
  CliResult list = run({"template", "list"});
  EXPECT_EQ(list.out,
            "1  wide  URLに含まれる文字列: \"example\"\n"
            "2  narrow  URLに含まれる文字列: \"a.example\"\n");
  EXPECT_EQ(run({"template", "add", "x"}).status, 2);  // --match is required
}

}  // namespace
}  // namespace ks
