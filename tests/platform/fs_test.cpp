#include "platform/fs.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

#include "platform/sjis.h"
#include "support/temp_dir.h"

namespace ks {
namespace {

TEST(Fs, MakeDirsScanAndRemoveTreeWithJapaneseNames) {
  test::TempDir dir;
  std::string deep = path_join(dir.path(), utf8_to_sjis("グループ.grp/表.dat"));
  ASSERT_TRUE(make_dirs(deep));
  ASSERT_TRUE(write_file_atomic(path_join(deep, "site.db"), "x"));
  auto top = scan_dir(dir.path());
  ASSERT_EQ(top.size(), 1u);
  EXPECT_EQ(top[0].name, utf8_to_sjis("グループ.grp"));
  EXPECT_TRUE(top[0].is_dir);
  EXPECT_TRUE(remove_tree(path_join(dir.path(), top[0].name)));
  EXPECT_TRUE(scan_dir(dir.path()).empty());
}

TEST(Fs, AtomicWriteReplacesWholeAndLeavesNoTemporaryFile) {
  test::TempDir dir;
  std::string f = dir.file("result.db");
  ASSERT_TRUE(write_file_atomic(f, "old"));
  ASSERT_TRUE(write_file_atomic(f, "new content"));
  EXPECT_EQ(read_file(f).value(), "new content");
  EXPECT_EQ(scan_dir(dir.path()).size(), 1u);
  EXPECT_FALSE(write_file_atomic(dir.file("no/such/folder/x"), "y"));
}

// A writer killed at random moments never leaves a torn file: every read sees
// one of the complete versions.
TEST(Fs, KilledWriterLeavesACompleteFile) {
  test::TempDir dir;
  std::string f = dir.file("site.db");
  std::string a(200000, 'a'), b(300000, 'b');
  ASSERT_TRUE(write_file_atomic(f, a));
  for (int round = 0; round < 5; ++round) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (;;) {
        write_file_atomic(f, b);
        write_file_atomic(f, a);
      }
    }
    ::usleep(20000 + round * 7000);
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    auto got = read_file(f);
    ASSERT_TRUE(got);
    EXPECT_TRUE(*got == a || *got == b) << "torn file of " << got->size() << " bytes";
  }
}

TEST(Fs, PathJoinUsesOneSeparator) {
  EXPECT_EQ(path_join("a/", "/b"), "a/b");
  EXPECT_EQ(path_join("a", "b"), "a/b");
}

}  // namespace
}  // namespace ks
