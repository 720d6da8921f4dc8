// Labels holding '/' or '\' are addressed on the command line with the
// escapes "\/" and "\\", and every command that prints a path or a label
// prints it in that form, so what it prints can be typed back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/sjis.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace ks {
namespace {

class PathEscapes : public ::testing::Test {
 protected:
  test::CliRun run(const std::vector<std::string>& args) {
    return test::run_cli(KS_CLI_PATH, home, args, {{{"XDG_DATA_HOME", dir.file("xdg")}}});
  }

  test::TempDir dir;
  std::string home = dir.path();
};

TEST_F(PathEscapes, SlashLabelsAreListedGotSetAndRemovedByTheirEscapedPath) {
  test::CliRun g = run({"group", R"(in/out)"});
  ASSERT_EQ(g.status, 0) << g.err;
  EXPECT_EQ(g.out, "in/out\n");  // unescaped: two nested groups
  g = run({"group", R"(a\/b)"});
  ASSERT_EQ(g.status, 0) << g.err;
  EXPECT_EQ(g.out, "a\\/b\n");
  test::CliRun a = run({"add", "http://x.example/", "--name", "1/2", "--group", R"(a\/b)"});
  ASSERT_EQ(a.status, 0) << a.err;
  const std::string item = R"(a\/b/1\/2)";
  EXPECT_EQ(a.out, item + "\n");

  test::CliRun list = run({"list"});
  EXPECT_NE(list.out.find("  a\\/b  [group]\n    1\\/2  [item]\n"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("  in  [group]\n    out  [group]\n"), std::string::npos) << list.out;
  EXPECT_EQ(run({"list", R"(a\/b)"}).out, "a\\/b  [group]\n  1\\/2  [item]\n");

  EXPECT_EQ(run({"get", item, "URL"}).out, "URL=http://x.example/\n");
  ASSERT_EQ(run({"set", item, "SITE_PRIORITY=2"}).status, 0);
  EXPECT_EQ(run({"get", item, "SITE_PRIORITY"}).out, "SITE_PRIORITY=2\n");
  // Without the escape the path means other nodes, which are not there.
  test::CliRun wrong = run({"get", "a/b/1/2"});
  EXPECT_EQ(wrong.status, 1);
  EXPECT_NE(wrong.err.find("no such item or group: a/b/1/2"), std::string::npos);

  ASSERT_EQ(run({"rm", item, "--yes"}).status, 0);
  EXPECT_EQ(run({"get", item}).status, 1);
  EXPECT_EQ(run({"list", R"(a\/b)"}).out, "a\\/b  [group]\n");
  EXPECT_EQ(run({"list", "in/out"}).status, 0);  // the plain groups are untouched
}

TEST_F(PathEscapes, BackslashesAreEscapedInOutputAndMayStandAloneInInput) {
  // A label ending in a backslash, before a '/': only the escaped form can
  // tell the label's backslash from an escape of the separator.
  test::CliRun g = run({"group", R"(end\\)"});
  ASSERT_EQ(g.status, 0) << g.err;
  EXPECT_EQ(g.out, "end\\\\\n");
  test::CliRun a = run({"add", "http://y.example/", "--name", R"(c:\dir)", "--group", R"(end\\)"});
  ASSERT_EQ(a.status, 0) << a.err;
  EXPECT_EQ(a.out, "end\\\\/c:\\\\dir\n");
  EXPECT_EQ(run({"get", a.out.substr(0, a.out.size() - 1), "URL"}).out, "URL=http://y.example/\n");
  // A backslash before any other character stands for itself.
  EXPECT_EQ(run({"get", R"(end\\/c:\dir)", "URL"}).out, "URL=http://y.example/\n");
  EXPECT_EQ(run({"get", R"(end\/c:\dir)"}).status, 1);  // "end/c:\dir" is one label: none
}

TEST_F(PathEscapes, DoubleByteCharactersWithABackslashByteStayWhole) {
  // "ソ" and "表" end in the byte 0x5C in Shift_JIS; it is part of the
  // character, so it is neither escaped on output nor read as an escape.
  const std::string sjis_so = utf8_to_sjis("ソ");
  ASSERT_EQ(sjis_so.size(), 2u);
  ASSERT_EQ(sjis_so[1], '\\');
  test::CliRun a = run({"add", "http://z.example/", "--name", "ソフト/表"});
  ASSERT_EQ(a.status, 0) << a.err;
  EXPECT_EQ(a.out, "ソフト\\/表\n");
  EXPECT_EQ(run({"get", "ソフト\\/表", "URL"}).out, "URL=http://z.example/\n");
  EXPECT_EQ(run({"rename", "ソフト\\/表", "表/ソ"}).out, "表\\/ソ\n");
  EXPECT_EQ(run({"get", "表\\/ソ", "URL"}).out, "URL=http://z.example/\n");
}

TEST_F(PathEscapes, MoveFindsEscapedSiblingsAndHelpExplainsTheEscapes) {
  ASSERT_EQ(run({"options", "AUTO_TREE_SORT=0"}).status, 0);
  ASSERT_EQ(run({"group", "g"}).status, 0);
  ASSERT_EQ(run({"add", "http://1.example/", "--name", "x/1", "--group", "g"}).status, 0);
  ASSERT_EQ(run({"add", "http://2.example/", "--name", "x/2", "--group", "g"}).status, 0);
  ASSERT_EQ(run({"repair", "--yes"}).status, 0);
  test::CliRun mv = run({"mv", R"(g/x\/2)", "g", "--before", R"(x\/1)"});
  ASSERT_EQ(mv.status, 0) << mv.err;
  EXPECT_EQ(run({"list", "g"}).out, "g  [group]\n  x\\/2  [item]\n  x\\/1  [item]\n");

  test::CliRun help = run({"get", "--help"});
  EXPECT_NE(help.out.find("write '/' as \\/ and '\\' as \\\\"), std::string::npos) << help.out;
}

}  // namespace
}  // namespace ks
