// A node's own check interval ([SCHEDULE] INTERVAL in site.db or group.db):
// written and removed on its own, kept by every writer of those files, and
// invisible to the settings reader.
#include "store/check_interval.h"

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "store/page_settings_io.h"
#include "support/app_folder.h"

namespace ks::store {
namespace {

TEST(CheckInterval, EveryWriterKeepsItAndNoReaderSeesIt) {
  test::AppFolder app;
  const std::string item = app.make_dir("g.grp/a.dat");
  const std::string group = app.in_data("g.grp");
  PageSettings rec = default_page_settings();
  rec.url = "http://example.org/";
  rec.comment = "two\r\nlines";
  ASSERT_TRUE(write_page_settings(item, rec));
  const std::string before = read_file(path_join(item, kSiteDb)).value_or("");

  EXPECT_FALSE(read_check_interval(item, false));
  ASSERT_TRUE(write_check_interval(item, false, 15));
  ASSERT_TRUE(write_check_interval(group, true, 0));
  EXPECT_EQ(read_check_interval(item, false), 15);
  EXPECT_EQ(read_check_interval(group, true), 0);

  // The settings read the same with the interval there.
  PageSettings back = default_page_settings();
  ASSERT_TRUE(read_page_settings(item, back));
  PageSettings plain = default_page_settings();
  parse_page_settings(before, plain);
  EXPECT_EQ(back.url, plain.url);
  EXPECT_EQ(back.comment, plain.comment);
  EXPECT_EQ(back.use_old_log, plain.use_old_log);

  // The writers of the settings, the changed mark and the group flag keep it.
  rec.url = "http://example.org/other";
  ASSERT_TRUE(write_page_settings(item, rec));
  EXPECT_TRUE(clear_option_changed(item));
  ASSERT_TRUE(write_group_flag(group, 1));
  EXPECT_EQ(read_check_interval(item, false), 15);
  EXPECT_EQ(read_check_interval(group, true), 0);
  EXPECT_EQ(read_group_flag(group), 1);

  // Removing it leaves the file as the settings writer made it.
  ASSERT_TRUE(write_check_interval(item, false, std::nullopt));
  EXPECT_FALSE(read_check_interval(item, false));
  ASSERT_TRUE(write_page_settings(item, rec));
  const std::string after = read_file(path_join(item, kSiteDb)).value_or("");
  EXPECT_EQ(after.find("SCHEDULE"), std::string::npos) << after;

  // A value that is no interval reads as none (the node inherits).
  ASSERT_TRUE(append_file(path_join(item, kSiteDb), "[SCHEDULE]\r\nINTERVAL=soon\r\n"));
  EXPECT_FALSE(read_check_interval(item, false));
}

}  // namespace
}  // namespace ks::store
