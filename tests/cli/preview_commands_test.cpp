// convert and diff show text as a check would show it, and diff leaves no
// files behind unless asked for them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/sjis.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace ks {
namespace {

class PreviewCommands : public ::testing::Test {
 protected:
  test::CliRun run(const std::vector<std::string>& args) {
    return test::run_cli(KS_CLI_PATH, dir.path(), args, {{{"TMPDIR", tmp.path()}}});
  }
  std::string file(const std::string& name, const std::string& utf8) {
    EXPECT_TRUE(write_file_atomic(dir.file(name), utf8_to_sjis(utf8)));
    return dir.file(name);
  }
  test::TempDir dir;
  test::TempDir tmp;
};

TEST_F(PreviewCommands, ConvertShowsLinesAsACheckWouldAndNamesItsBase) {
  const std::string page = file("p.html", "<p><a href=\"x.html\">次へ</a> &copy; 2026</p>");
  const test::CliRun shown = run({"convert", page});
  ASSERT_EQ(shown.status, 0) << shown.err;
  EXPECT_EQ(shown.out, "\n次へ (C) 2026\n");  // as a check shows it: no © in Shift_JIS
  EXPECT_NE(shown.err.find("absolute against http://localhost/"), std::string::npos);
  const test::CliRun internal = run({"convert", "--internal", "--url", "http://e.org/", page});
  EXPECT_EQ(internal.out, "\n<a href=\"http://e.org/x.html\">次へ</a> &copy; 2026\n");
  EXPECT_EQ(internal.err, "");
}

TEST_F(PreviewCommands, DiffPrintsTheChangedLinesAndLeavesNothingBehind) {
  const std::string old_text = file("old.txt", "\r\n一\r\n<a href=\"http://l/\">二</a>\r\n");
  const std::string new_text = file("new.txt", "\r\n一\r\n三 &amp; 四\r\n");
  const test::CliRun added = run({"diff", old_text, new_text});
  ASSERT_EQ(added.status, 0) << added.err;
  EXPECT_EQ(added.out, "三 & 四\n");
  EXPECT_EQ(added.err, "kestrelscan-cli: changed: 1 line(s) added\n");
  EXPECT_TRUE(scan_dir(tmp.path()).empty());

  const test::CliRun both =
      run({"diff", "--set", "DETECT_DELETED_LINES=1", "--out", dir.file("o"), old_text, new_text});
  EXPECT_EQ(both.out, "三 & 四\n【削除】\n二\n");
  EXPECT_TRUE(is_regular_file(dir.file("o/add.txt")));
  EXPECT_TRUE(is_regular_file(dir.file("o/del.txt")));

  const test::CliRun same = run({"diff", old_text, old_text});
  EXPECT_EQ(same.out, "");
  EXPECT_EQ(same.err, "kestrelscan-cli: no change\n");
  EXPECT_TRUE(scan_dir(tmp.path()).empty());
}

}  // namespace
}  // namespace ks
