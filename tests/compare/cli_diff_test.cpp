// kestrelscan-cli diff as a black box: files in, the changed lines and a
// note of what was found out, add.txt/del.txt with --out.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "compare_fixture.h"
#include "platform/fs.h"
#include "support/temp_dir.h"

namespace ks::compare::test {
namespace {

struct CliRun {
  int exit_code = -1;
  std::string out;
};

CliRun cli(const std::string& args) {
  CliRun r;
  const std::string cmd = std::string(KS_CLI_PATH) + " diff " + args + " 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[512];
  while (std::fgets(buf, sizeof buf, p)) r.out += buf;
  const int status = pclose(p);
  r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

class CliDiff : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!path_exists(KS_CLI_PATH)) GTEST_SKIP() << "kestrelscan-cli is not built";
  }
  std::string file(const std::string& name, const Lines& lines) {
    write_file_atomic(dir_.file(name), text_of(lines));
    return dir_.file(name);
  }
  ks::test::TempDir dir_;
};

TEST_F(CliDiff, WritesAddedAndDeletedLines) {
  const std::string a = file("a.txt", {"x", "gone", "y"});
  const std::string b = file("b.txt", {"x", "y", "new"});
  const std::string out = dir_.file("out");
  CliRun r = cli("--set DETECT_DELETED_LINES=1 --out " + out + " " + a + " " + b);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "new\n【削除】\ngone\nkestrelscan-cli: changed: 1 line(s) added, 1 deleted\n");
  EXPECT_EQ(body_lines(out + "/add.txt"), Lines{"new"});
  EXPECT_EQ(body_lines(out + "/del.txt"), Lines{"gone"});
}

TEST_F(CliDiff, WhatWasFoundIsNoted) {
  const std::string a = file("a.txt", {"x"});
  EXPECT_EQ(cli(a + " " + a).out, "kestrelscan-cli: no change\n");
  EXPECT_EQ(cli(dir_.file("none") + " " + a).out,
            "kestrelscan-cli: OLD does not exist: a check would keep NEW as the first text\n");
  EXPECT_EQ(cli("--set CHECK_AREA_START_STRING=zzz " + a + " " + a).out,
            "kestrelscan-cli: the check area was not found in NEW: a check would report an "
            "error\n");
}

TEST_F(CliDiff, RejectsBadArguments) {
  const std::string a = file("a.txt", {"x"});
  EXPECT_EQ(cli(a).exit_code, 2);
  EXPECT_EQ(cli("--set TABLE_SETTING=1 " + a + " " + a).exit_code, 2);
  EXPECT_EQ(cli("--set USE_OLD_LOG=99 " + a + " " + a).exit_code, 2);
  EXPECT_EQ(cli(a + " " + dir_.file("missing")).exit_code, 1);
}

}  // namespace
}  // namespace ks::compare::test
