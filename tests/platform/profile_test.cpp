#include "platform/profile.h"

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "platform/sjis.h"
#include "support/temp_dir.h"

namespace ks {
namespace {

class ProfileTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::string ini = dir.file("a.ini");
  std::string contents() { return read_file(ini).value_or("<missing>"); }
};

TEST_F(ProfileTest, FirstWriteCreatesTheFileWithCrLf) {
  EXPECT_FALSE(path_exists(ini));
  ASSERT_TRUE(profile_write_string(ini, "CONFIG", "URL", "http://x/"));
  EXPECT_EQ(contents(), "[CONFIG]\r\nURL=http://x/\r\n");
}

TEST_F(ProfileTest, LookupIgnoresCaseAndBlanksAndQuotes) {
  write_file_atomic(ini, "[Config]\r\n  Url =  \"http://x/ \"  \r\nN= 42abc\r\n");
  EXPECT_EQ(profile_read_string(ini, "CONFIG", "url", "d"), "http://x/ ");
  EXPECT_EQ(profile_read_int(ini, "config", "N", 7), 42);
  EXPECT_EQ(profile_read_int(ini, "config", "MISSING", 7), 7);
  EXPECT_EQ(profile_read_string(ini, "OTHER", "url", "d"), "d");
}

TEST_F(ProfileTest, ReadIntEdgeCases) {
  write_file_atomic(ini, "[S]\nA=-5\nB=x\nC=\nD=4294967297\n");
  EXPECT_EQ(profile_read_int(ini, "S", "A", 1), -5);
  EXPECT_EQ(profile_read_int(ini, "S", "B", 1), 0);
  EXPECT_EQ(profile_read_int(ini, "S", "C", 1), 0);
  EXPECT_EQ(profile_read_int(ini, "S", "D", 1), -1);  // saturates to 0xFFFFFFFF
}

TEST_F(ProfileTest, NewKeysGoToTheEndOfTheirSectionAndNewSectionsToTheEnd) {
  write_file_atomic(ini, "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
  profile_write_string(ini, "a", "z", "3");
  profile_write_string(ini, "C", "w", "4");
  profile_write_string(ini, "B", "Y", "5");
  EXPECT_EQ(contents(), "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=5\r\n[C]\r\nw=4\r\n");
}

TEST_F(ProfileTest, DeleteKeyAndSection) {
  write_file_atomic(ini, "[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n");
  profile_delete_key(ini, "A", "X");
  profile_delete_section(ini, "b");
  EXPECT_EQ(contents(), "[A]\r\ny=2\r\n");
  EXPECT_TRUE(profile_delete_key(dir.file("none.ini"), "A", "x"));
  EXPECT_FALSE(path_exists(dir.file("none.ini")));
}

// The writer's last line of defence: whatever a caller hands it, one key is
// one line, and later copies of a key (which readers would never see, until
// the first copy goes) are removed with it.
TEST_F(ProfileTest, NoValueWritesALineOfItsOwn) {
  write_file_atomic(ini, "[S]\r\nK=1\r\nK=2\r\nL=3\r\nL=4\r\n");
  const char value[] = "a\r\nRUN=1\rX=2\nY=3\0Z";
  profile_write_string(ini, "S", "K", std::string(value, sizeof value - 1));
  profile_write_string(ini, "S", "M\r\nN", "v");
  profile_write_string(ini, "T]\r\n[S", "k", "v");
  profile_delete_key(ini, "S", "L");
  EXPECT_EQ(contents(), "[S]\r\nK=aRUN=1X=2Y=3Z\r\nMN=v\r\n[T][S]\r\nk=v\r\n");
}

TEST_F(ProfileTest, CapacityCutsTheValue) {
  profile_write_string(ini, "S", "K", "abcdef");
  EXPECT_EQ(profile_read_string(ini, "S", "K", "", 4), "abc");
}

TEST_F(ProfileTest, ShiftJisNamesCompareExactlyWhileAsciiFolds) {
  // 0x83 0x41 (a katakana) must not match 0x83 0x61 although 'A' folds to 'a'.
  EXPECT_FALSE(profile_name_equal("\x83\x41", "\x83\x61"));
  EXPECT_TRUE(profile_name_equal("Ab\x83\x41", "aB\x83\x41"));
  std::string section = utf8_to_sjis("設定");
  profile_write_string(ini, section, "K", "v");
  EXPECT_EQ(profile_read_string(ini, section, "k", ""), "v");
}

}  // namespace
}  // namespace ks
