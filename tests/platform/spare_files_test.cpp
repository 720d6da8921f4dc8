#include "platform/spare_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/fs.h"
#include "support/temp_dir.h"

namespace ks {
namespace {

ino_t inode_of(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Regular files in a folder tree.
std::size_t files_under(const std::string& folder) {
  std::size_t n = 0;
  for (const DirEntry& e : scan_dir(folder)) {
    n += e.is_dir ? files_under(folder + "/" + e.name) : e.is_regular ? 1 : 0;
  }
  return n;
}

class Spares : public ::testing::Test {
 protected:
  test::TempDir dir_;
  std::string item_ = dir_.file("item");
  SpareFiles spares_{dir_.file("spares")};
  void SetUp() override {
    ASSERT_TRUE(make_dirs(item_));
    ASSERT_TRUE(spares_.active());
  }
  std::string in_item(const std::string& name) const { return item_ + "/" + name; }
};

// Replacing and removing recycle the records: the file that was replaced or
// removed comes back as the next file written, and no file is made anew.
TEST_F(Spares, ReplacedAndRemovedFilesAreWrittenAgain) {
  const std::string result = in_item("result.db");
  ASSERT_TRUE(spares_.replace(result, "[RESULT]\r\nCODE=0\r\n"));  // no file yet: moved in
  const ino_t first = inode_of(result);
  // With the pool empty the new file was made anew and moved in, and the
  // replaced one went into the pool: nothing else is left around.
  ASSERT_TRUE(write_file_atomic(in_item("html.txt"), "old"));
  ASSERT_TRUE(spares_.replace(in_item("html.txt"), "new"));
  EXPECT_EQ(scan_dir(item_).size(), 2u);
  EXPECT_EQ(files_under(dir_.file("spares")), 1u);
  ASSERT_TRUE(spares_.remove(in_item("html.txt")));
  ASSERT_TRUE(spares_.replace(result, "[RESULT]\r\nCODE=3\r\n"));
  EXPECT_EQ(read_file(result).value(), "[RESULT]\r\nCODE=3\r\n");
  EXPECT_EQ(spares_.count(), 2u);  // the html.txt files, less one taken, plus the old result.db
  ASSERT_TRUE(spares_.replace(result, "[RESULT]\r\nCODE=1\r\n"));
  EXPECT_EQ(inode_of(result), first);  // swapped back in, overwritten
  EXPECT_EQ(read_file(result).value(), "[RESULT]\r\nCODE=1\r\n");

  ASSERT_TRUE(write_file_atomic(in_item("log3.txt"), std::string(5000, 'x')));
  const ino_t log = inode_of(in_item("log3.txt"));
  EXPECT_TRUE(spares_.remove(in_item("log3.txt")));
  EXPECT_FALSE(path_exists(in_item("log3.txt")));
  EXPECT_TRUE(spares_.remove(in_item("log3.txt")));  // nothing there: done
  ASSERT_TRUE(write_file_atomic(in_item("new.txt"), "short"));
  ASSERT_TRUE(spares_.replace(in_item("new.txt"), "text"));
  EXPECT_EQ(read_file(in_item("new.txt")).value(), "text");  // cut to the new length
  EXPECT_EQ(inode_of(in_item("new.txt")), log);              // a log's record for a text

  ASSERT_TRUE(write_file_atomic(in_item("htmltmp.txt"), "response"));
  ASSERT_TRUE(spares_.move_over(in_item("htmltmp.txt"), in_item("html.txt")));
  ASSERT_TRUE(write_file_atomic(in_item("htmltmp.txt"), "response 2"));
  ASSERT_TRUE(spares_.move_over(in_item("htmltmp.txt"), in_item("html.txt")));
  EXPECT_EQ(read_file(in_item("html.txt")).value(), "response 2");
  EXPECT_FALSE(path_exists(in_item("htmltmp.txt")));
}

// A kind of file last found missing is renamed into place without a swap;
// one that is there after all is still swapped whole, its record kept.
TEST_F(Spares, AFileFoundWhereNoneWasExpectedIsStillSwapped) {
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(spares_.replace(in_item("add1.txt"), "fresh"));
    ASSERT_TRUE(spares_.move_over(in_item("add1.txt"), in_item("add2.txt")));
  }
  EXPECT_EQ(read_file(in_item("add2.txt")).value(), "fresh");
  const std::size_t before = spares_.count();
  ASSERT_TRUE(write_file_atomic(in_item("add1.txt"), "left by a killed check"));
  ASSERT_TRUE(spares_.replace(in_item("add1.txt"), "again"));
  EXPECT_EQ(read_file(in_item("add1.txt")).value(), "again");
  ASSERT_TRUE(spares_.move_over(in_item("add1.txt"), in_item("add2.txt")));
  EXPECT_EQ(read_file(in_item("add2.txt")).value(), "again");
  EXPECT_FALSE(path_exists(in_item("add1.txt")));
  EXPECT_EQ(spares_.count(), before + 1);  // the stale file, less the spare used, plus the old add2
}

// What is not a plain file of ours is never written into: a folder stays, a
// link is replaced (its target untouched), a file with a second name keeps
// its bytes.
TEST_F(Spares, FoldersLinksAndHardLinksAreLeftAsThePlainOperationsLeaveThem) {
  ASSERT_TRUE(make_dirs(in_item("result.db")));
  ASSERT_TRUE(write_file_atomic(in_item("result.db/keep"), "k"));
  EXPECT_FALSE(spares_.replace(in_item("result.db"), "x"));
  EXPECT_EQ(read_file(in_item("result.db/keep")).value(), "k");

  const std::string outside = dir_.file("outside.txt");
  ASSERT_TRUE(write_file_atomic(outside, "outside"));
  ASSERT_EQ(::symlink(outside.c_str(), in_item("html.txt").c_str()), 0);
  ASSERT_TRUE(spares_.replace(in_item("html.txt"), "new"));
  EXPECT_EQ(read_file(in_item("html.txt")).value(), "new");
  EXPECT_EQ(read_file(outside).value(), "outside");

  ASSERT_EQ(::link(outside.c_str(), in_item("log1.txt").c_str()), 0);
  EXPECT_TRUE(spares_.remove(in_item("log1.txt")));
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(spares_.replace(in_item("log2.txt"), "y"));
  EXPECT_EQ(read_file(outside).value(), "outside");
}

TEST(SpareFiles, WithoutAFolderThePlainOperationsRun) {
  test::TempDir dir;
  SpareFiles none{""};
  EXPECT_FALSE(none.active());
  ASSERT_TRUE(none.replace(dir.file("a"), "1"));
  EXPECT_TRUE(none.remove(dir.file("a")));
  EXPECT_FALSE(path_exists(dir.file("a")));
  {
    SpareFiles pool{dir.file("pool")};
    ASSERT_TRUE(write_file_atomic(dir.file("b"), "2"));
    EXPECT_TRUE(pool.remove(dir.file("b")));
    EXPECT_EQ(pool.count(), 1u);
    for (int i = 0; i < 40; ++i) ASSERT_TRUE(pool.replace(dir.file("n" + std::to_string(i)), "n"));
  }
  EXPECT_FALSE(path_exists(dir.file("pool")));  // spares go with the pool
}

}  // namespace
}  // namespace ks
