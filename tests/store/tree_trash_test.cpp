// Moving folders to the desktop trash: info files, name collisions, failures.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/fs.h"
#include "platform/sjis.h"
#include "store/trash.h"
#include "support/temp_dir.h"

namespace ks::store {
namespace {

class Trash : public ::testing::Test {
 protected:
  Trash() { ::setenv("XDG_DATA_HOME", home().c_str(), 1); }
  ~Trash() override { ::unsetenv("XDG_DATA_HOME"); }
  std::string home() const { return dir.path() + "/xdg"; }
  std::string trash(const std::string& rel) const { return home() + "/Trash/" + rel; }

  ks::test::TempDir dir;
};

TEST_F(Trash, SameNameTwiceGetsASecondNameAndEscapedPaths) {
  const std::string name = utf8_to_sjis("ニュース a.grp");
  for (int i = 0; i < 2; ++i) {
    make_dirs(dir.file(name) + "/x.dat");
    TrashResult r = move_to_trash(dir.file(name));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_FALSE(path_exists(dir.file(name)));
  }
  EXPECT_TRUE(is_directory(trash("files/" + name + "/x.dat")));
  EXPECT_TRUE(is_directory(trash("files/" + name + ".2/x.dat")));
  std::string info = read_file(trash("info/" + name + ".2.trashinfo")).value_or("");
  // The path is absolute and URL-escaped (UTF-8 bytes, space as %20).
  EXPECT_NE(info.find("%E3%83%8B%E3%83%A5%E3%83%BC%E3%82%B9%20a.grp\n"), std::string::npos) << info;
  EXPECT_NE(info.find("\nDeletionDate="), std::string::npos);
}

TEST_F(Trash, AMissingFolderFailsAndLeavesNoInfoFile) {
  TrashResult r = move_to_trash(dir.file("gone.dat"));
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.error.empty());
  EXPECT_TRUE(scan_dir(trash("info")).empty());
}

}  // namespace
}  // namespace ks::store
