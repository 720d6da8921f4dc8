#include "store/folders.h"

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "platform/sjis.h"
#include "support/temp_dir.h"

namespace ks::store {
namespace {

TEST(CustomDataFolder, ASeparatorIsAddedUnlessOneEndsThePath) {
  EXPECT_EQ(custom_base_folder("/srv/ks"), "/srv/ks/Kestrelscan/");
  EXPECT_EQ(custom_base_folder("/srv/ks/"), "/srv/ks/Kestrelscan/");
  // 表 ends in the byte 0x5C, which is part of the character, not a separator.
  EXPECT_EQ(custom_base_folder("/srv/\x95\x5C"), "/srv/\x95\x5C/Kestrelscan/");
  EXPECT_TRUE(ends_with_separator("/srv/\x95\x5C/"));
  EXPECT_FALSE(ends_with_separator("/srv/x\\"));
  EXPECT_FALSE(ends_with_separator("/srv/\x95\x5C"));
}

TEST(Folders, PreparationCreatesWorkDataAndTemplateFolders) {
  test::TempDir dir;
  Folders f;
  ASSERT_TRUE(prepare_app_folders(dir.path(), f));
  EXPECT_EQ(f.app, dir.path() + "/");
  EXPECT_TRUE(is_directory(f.work));
  prepare_data_folders(f, false, "");
  EXPECT_EQ(f.base, f.app);
  EXPECT_EQ(f.data, f.app + "data");
  EXPECT_TRUE(is_directory(f.templates));

  Folders c;
  prepare_app_folders(dir.path(), c);
  prepare_data_folders(c, true, dir.file("custom/deep"));
  EXPECT_EQ(c.base, dir.file("custom/deep/Kestrelscan/"));
  EXPECT_TRUE(is_directory(c.data));
  EXPECT_TRUE(is_directory(c.templates));
}

TEST(Folders, CleanUpDeletesAFilledWorkFolderAndLeavesAnEmptyOne) {
  test::TempDir dir;
  std::string work = dir.file("temp");
  make_dirs(work);
  EXPECT_TRUE(clean_work_folder(work));
  EXPECT_TRUE(is_directory(work));
  make_dirs(work + "/Session9515");
  write_file_atomic(work + "/x.json", "{}");
  EXPECT_TRUE(clean_work_folder(work));
  EXPECT_FALSE(path_exists(work));
}

}  // namespace
}  // namespace ks::store
