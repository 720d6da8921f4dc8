// show and updates against a temporary application folder, through the real
// kestrelscan-cli (output to a file: plain UTF-8, no colours).
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

using CliOutput = test::CliRun;

class ShowCommandsTest : public ::testing::Test {
 protected:
  CliOutput run(const std::vector<std::string>& args) {
    return test::run_cli(KS_CLI_PATH, home, args);
  }
  // Writes a file of an item folder, the content given as UTF-8.
  void put(const std::string& item, const std::string& name, const std::string& utf8) {
    ASSERT_TRUE(write_file_atomic(utf8_to_sjis(home + "/data/" + item + ".dat/" + name),
                                  utf8_to_sjis(utf8)));
  }
  void SetUp() override {
    ASSERT_EQ(run({"options", "HEADER=== %link; =="}).status, 0);
    ASSERT_EQ(run({"add", "http://x/", "--name", "頁"}).status, 0);
    put("頁", "result.db", "[RESULT]\r\nCODE=3\r\n[INDEX]\r\nCURRENT=1\r\n");
    put("頁", "add1.txt", "<a href=\"http://l/\">リンク</a> &amp; 文\r\n");
    put("頁", "add0.txt", "前回\r\n");
  }

  test::TempDir dir;
  std::string home = dir.path();
};

TEST_F(ShowCommandsTest, ShowPrintsTheLastChangeOfAnItem) {
  const CliOutput r = run({"show", "頁"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "== 頁 ==\nリンク & 文\n\n");
}

TEST_F(ShowCommandsTest, CountWalksBackAndRawGivesShiftJis) {
  const CliOutput r = run({"show", "頁", "--count", "2"});
  EXPECT_EQ(r.out, "== 頁 ==\nリンク & 文\n\n== 頁 ==\n前回\n\n");
  const CliOutput raw = run({"show", utf8_to_sjis("頁"), "--raw"});  // names as bytes too
  EXPECT_EQ(raw.out, utf8_to_sjis("== 頁 ==\nリンク & 文\n\n"));
}

TEST_F(ShowCommandsTest, ShowOfAGroupCoversEveryItemBelowIt) {
  ASSERT_EQ(run({"add", "http://y/", "--name", "err"}).status, 0);
  put("err", "result.db", "[RESULT]\r\nCODE=5\r\nMESSAGE=HTTPエラー\r\n");
  const CliOutput r = run({"show", ""});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("== 頁 ==\nリンク & 文\n"), std::string::npos);
  EXPECT_NE(r.out.find("■err --- エラー : HTTPエラー\n"), std::string::npos);
}

TEST_F(ShowCommandsTest, WholeShowsTheCurrentPage) {
  put("頁", "new.txt", "\r\n本文\r\n");
  const CliOutput r = run({"show", "頁", "--whole"});
  EXPECT_EQ(r.out, "== 頁 ==\n本文\n\n");
}

TEST_F(ShowCommandsTest, BadArgumentsAreUsageErrors) {
  EXPECT_EQ(run({"show"}).status, 2);
  EXPECT_EQ(run({"show", "頁", "--count"}).status, 2);
  EXPECT_EQ(run({"show", "頁", "--count", "x"}).status, 2);
  EXPECT_EQ(run({"show", "頁", "--count", "26"}).status, 2);
  EXPECT_EQ(run({"show", "", "--whole"}).status, 2);
  EXPECT_EQ(run({"show", "nothing"}).status, 1);
  EXPECT_EQ(run({"updates", "x"}).status, 2);
}

// An item with nothing to show says why and what would show something.
TEST_F(ShowCommandsTest, ItemWithNothingToShowSaysWhy) {
  ASSERT_EQ(run({"add", "http://z/", "--name", "new one"}).status, 0);
  CliOutput r = run({"show", "new one"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("not been checked yet; to check it now: kestrelscan-cli check 'new one'"),
            std::string::npos)
      << r.err;
  put("new one", "result.db", "[RESULT]\r\nCODE=0\r\n");  // right after the first check
  r = run({"show", "new one"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("was checked once"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("'--whole' shows that text"), std::string::npos) << r.err;
  put("new one", "result.db", "[RESULT]\r\nCODE=1\r\n");
  EXPECT_NE(run({"show", "new one"}).err.find("'--count N' shows"), std::string::npos);
}

TEST_F(ShowCommandsTest, ControlBytesFromPagesNeverReachTheTerminal) {
  put("頁", "add1.txt", "a\x1b]0;title\x07z\r\n");
  const CliOutput r = run({"show", "頁"});
  EXPECT_EQ(r.out, "== 頁 ==\na?]0;title?z\n\n");
}

TEST_F(ShowCommandsTest, UpdatesListsItemsWithTheirAge) {
  const CliOutput r = run({"updates"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("<<< 最終更新時刻 >>>\n", 0), 0u);
  EXPECT_NE(r.out.find("分前:頁\n"), std::string::npos) << r.out;
}

// On a terminal (a pseudo-terminal made by script(1)) headlines are coloured,
// links are underlined and clickable, and keyword hits are highlighted.
TEST_F(ShowCommandsTest, OnATerminalHeadlinesLinksAndKeywordsAreStyled) {
  if (std::system("command -v script >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "script(1) is not installed";
  }
  ASSERT_EQ(run({"options", "USE_HIGHLIGHT=1", "HIGHLIGHT0=文"}).status, 0);
  test::TempDir io;
  const std::string out = io.file("tty");
  const std::string command = "env -u NO_COLOR TERM=xterm-256color COLORTERM= script -qec '" +
                              std::string(KS_CLI_PATH) + " --home " + home + " show 頁' " + out +
                              " </dev/null >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  const std::string tty = read_file(out).value_or("");
  if (tty.empty()) GTEST_SKIP() << "no pseudo-terminal available (status " << status << ")";
  EXPECT_EQ(status, 0);
  EXPECT_NE(tty.find("\x1b[1;37;44m== "), std::string::npos);  // headline style 0
  EXPECT_NE(tty.find("\x1b]8;;http://l/\x1b\\リンク\x1b]8;;\x1b\\"), std::string::npos);  // link
  EXPECT_NE(tty.find("\x1b[30;43m文\x1b[0m"), std::string::npos);                         // keyword
}

}  // namespace
}  // namespace ks
