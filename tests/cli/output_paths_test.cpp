// Output that names items names them by their paths, so two pages of the same
// name in different groups can be told apart; find and search-logs say when
// nothing matched and exit with 1; settings reach a whole group.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/sjis.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace ks {
namespace {

class OutputPaths : public ::testing::Test {
 protected:
  test::CliRun run(const std::vector<std::string>& args) {
    return test::run_cli(KS_CLI_PATH, home, args);
  }
  void put(const std::string& item, const std::string& name, const std::string& utf8) {
    ASSERT_TRUE(
        write_file_atomic(utf8_to_sjis(home + "/data/" + item + "/" + name), utf8_to_sjis(utf8)));
  }
  // Two changed items called "index", in the groups a and "b/c" (a slash in
  // the label: written b\/c in a path).
  void SetUp() override {
    ASSERT_EQ(run({"options", "HEADER=== %link; == %config;"}).status, 0);
    for (const char* group : {"a", "b\\/c"}) {
      ASSERT_EQ(run({"group", group}).status, 0);
      ASSERT_EQ(run({"add", "http://x/", "--name", "index", "--group", group}).status, 0);
    }
    for (const char* folder : {"a.grp/index.dat", "b%2fc.grp/index.dat"}) {
      put(folder, "result.db", "[RESULT]\r\nCODE=3\r\n[INDEX]\r\nCURRENT=0\r\n");
      put(folder, "add0.txt", "求人募集\r\n");
    }
  }
  test::TempDir dir;
  std::string home = dir.path();
};

TEST_F(OutputPaths, EveryListNamesItemsByTheirPaths) {
  const test::CliRun show = run({"show", ""});
  ASSERT_EQ(show.status, 0) << show.err;
  EXPECT_EQ(show.out, "== a/index ==\n求人募集\n\n== b\\/c/index ==\n求人募集\n\n");

  const test::CliRun updates = run({"updates"});
  EXPECT_NE(updates.out.find("分前:a/index\n"), std::string::npos) << updates.out;
  EXPECT_NE(updates.out.find("分前:b\\/c/index\n"), std::string::npos) << updates.out;

  const test::CliRun found = run({"find", "--name", "i"});
  EXPECT_EQ(found.out, "a/index\nb\\/c/index\n");
  EXPECT_EQ(run({"find", "--name", "/"}).out, "b\\/c/\n");  // a group's path ends in '/'

  const test::CliRun hits = run({"search-logs", "募集"});
  ASSERT_EQ(hits.status, 0) << hits.err;
  EXPECT_EQ(hits.out, "== a/index ==\n求人募集\n== b\\/c/index ==\n求人募集\n");

  // What was printed can be typed back.
  EXPECT_EQ(run({"get", "b\\/c/index", "URL"}).out, "URL=http://x/\n");
  EXPECT_EQ(run({"list", "--paths"}).out, "a/\na/index\nb\\/c/\nb\\/c/index\nテンプレート/\n");
}

TEST_F(OutputPaths, NoMatchIsStatusOneWithANoteAndNothingOnStdout) {
  const test::CliRun find = run({"find", "--name", "zzz"});
  EXPECT_EQ(find.status, 1);
  EXPECT_EQ(find.out, "");
  EXPECT_EQ(find.err, "kestrelscan-cli: no item matches\n");
  const test::CliRun logs = run({"search-logs", "zzz"});
  EXPECT_EQ(logs.status, 1);
  EXPECT_EQ(logs.out, "");
  EXPECT_EQ(logs.err, "kestrelscan-cli: 「zzz」は見つかりませんでした。\n");
}

TEST_F(OutputPaths, FindTakesMinutesAndNamesItsUnits) {
  const test::CliRun r = run({"find", "--within", "90", "minutes"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("分前:a/index\n"), std::string::npos) << r.out;
  EXPECT_EQ(run({"find", "--older-than", "90", "min"}).status, 1);
  EXPECT_EQ(run({"find", "--within", "9", "weeks"}).status, 2);
  EXPECT_NE(run({"find", "--help"}).out.find("UNIT is minutes (min, m), hours (h)"),
            std::string::npos);
}

TEST_F(OutputPaths, SetOnAGroupChangesEveryItemBelowIt) {
  ASSERT_EQ(run({"set", "a", "DETECT_DELETED_LINES=1", "DISABLE_AUTO_CHECK=1"}).status, 0);
  EXPECT_EQ(run({"get", "a/index", "DETECT_DELETED_LINES"}).out, "DETECT_DELETED_LINES=1\n");
  EXPECT_EQ(run({"get", "b\\/c/index", "DETECT_DELETED_LINES"}).out, "DETECT_DELETED_LINES=0\n");
  EXPECT_NE(read_file(home + "/data/a.grp/group.db").value_or("").find("DISABLE_AUTO_CHECK=1"),
            std::string::npos);
  // Refused before anything is written: a setting no bulk change offers, a
  // part of a set that changes together, and the top level.
  EXPECT_EQ(run({"set", "a", "URL=http://y/"}).status, 2);
  EXPECT_EQ(run({"set", "a", "SAVE_CONTEXT_USE=1", "SITE_PRIORITY=2"}).status, 2);
  EXPECT_EQ(run({"set", "", "SITE_PRIORITY=2"}).status, 2);
  EXPECT_EQ(run({"get", "a/index", "SITE_PRIORITY"}).out, "SITE_PRIORITY=0\n");
}

TEST_F(OutputPaths, AddWarnsAboutUrlsNoCheckCanFetch) {
  for (const char* url : {"ftp://example.org/", "not a url"}) {
    const test::CliRun r = run({"add", url, "--name", "odd"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("is not an http:// or https:// URL"), std::string::npos) << r.err;
  }
  const test::CliRun ok = run({"add", "HTTPS://example.org/", "--name", "fine", "--group", "a"});
  EXPECT_EQ(ok.out, "a/fine\n");
  EXPECT_EQ(ok.err, "kestrelscan-cli: to check it now: kestrelscan-cli check a/fine\n");
}

}  // namespace
}  // namespace ks
