#include "store/page_settings_io.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/fs.h"
#include "store/fast_reader.h"
#include "store/setting_keys.h"
#include "support/temp_dir.h"

namespace ks::store {
namespace {

PageSettings parsed(std::string_view body) {
  PageSettings rec;
  parse_page_settings("[CONFIG]\r\n" + std::string(body), rec);
  return rec;
}

TEST(PageSettingsRead, AbsentKeysGiveTheDefaults) {
  PageSettings rec = parsed("");
  EXPECT_EQ(rec.use_old_log, 1);
  EXPECT_EQ(rec.save_context_before, 1);
  EXPECT_EQ(rec.ngarea_after, 1);
  EXPECT_EQ(rec.site_priority, 0);
  EXPECT_EQ(rec.url, "");
}

struct Correction {
  const char* line;
  int32_t PageSettings::*field;
  int32_t expected;
};

TEST(PageSettingsRead, RangeCorrections) {
  const Correction cases[] = {
      {"USE_OLD_LOG=30", &PageSettings::use_old_log, 1},
      {"USE_OLD_LOG=0", &PageSettings::use_old_log, 0},
      {"USE_OLD_LOG=24", &PageSettings::use_old_log, 24},
      {"USE_OLD_LOG=-1", &PageSettings::use_old_log, 1},
      {"USE_OLD_LOG=", &PageSettings::use_old_log, 1},
      {"SAVE_CONTEXT_BEFORE=-1", &PageSettings::save_context_before, 1},
      {"SAVE_CONTEXT_BEFORE=10", &PageSettings::save_context_before, 10},
      {"SAVE_CONTEXT_AFTER=11", &PageSettings::save_context_after, 1},
      {"SAVE_CONTEXT_AFTER=0", &PageSettings::save_context_after, 0},
      {"NGAREA0_BEFORE=11", &PageSettings::ngarea_before, 1},
      {"NGAREA0_AFTER=-3", &PageSettings::ngarea_after, 1},
      {"NGAREA0_AFTER=7", &PageSettings::ngarea_after, 7},
      {"AS_TEXT=5", &PageSettings::as_text, 1},
      {"AS_TEXT=-2", &PageSettings::as_text, -2},            // only values above 1 are corrected
      {"SITE_PRIORITY=7", &PageSettings::site_priority, 7},  // no rule: taken as it is
      {"CHARSET_SEL=9", &PageSettings::charset_sel, 9},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(parsed(c.line).*c.field, c.expected) << c.line;
  }
}

TEST(PageSettingsRead, ALowerCaseKeyIsNotFound) {
  EXPECT_EQ(parsed("url=http://x/\r\n").url, "");
  EXPECT_EQ(parsed("URL=http://x/\r\n").url, "http://x/");
}

TEST(PageSettingsRead, ADamagedLineLosesOnlyItsOwnValue) {
  PageSettings rec = parsed("URL\r\ngarbage ] [ here\r\nSITE_PRIORITY=2\r\nNGWORD3=w\r\n");
  EXPECT_EQ(rec.url, "");
  EXPECT_EQ(rec.site_priority, 2);
  EXPECT_EQ(rec.ng_words[3], "w");
}

TEST(PageSettingsRead, TextsAreCutToTheirCapacity) {
  PageSettings rec =
      parsed("NGWORD0=" + std::string(100, 'w') + "\r\nURL=" + std::string(3000, 'u') + "\r\n");
  EXPECT_EQ(rec.ng_words[0].size(), kWordCapacity - 1);
  EXPECT_EQ(rec.url.size(), kUrlCapacity - 1);
}

class PageSettingsFileTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::string folder = dir.file("p.dat");
  void SetUp() override { make_dirs(folder); }
  std::string site() { return read_file(folder + "/site.db").value_or(""); }
};

TEST_F(PageSettingsFileTest, EveryKeyRoundTrips) {
  PageSettings in = default_page_settings();
  int n = 0;
  for (const SettingKey& k : page_setting_keys()) {
    if (k.type == KeyType::kInt) {
      k.int_of(in) = k.max > k.min ? k.max : k.min;
    } else {
      k.str_of(in) = std::string(k.name).substr(0, 8) + std::to_string(n);
    }
    ++n;
  }
  in.comment = "one\r\ntwo";
  ASSERT_TRUE(write_page_settings(folder, in));
  PageSettings out;
  ASSERT_TRUE(read_page_settings(folder, out));
  for (const SettingKey& k : page_setting_keys()) {
    EXPECT_EQ(setting_text(k, out), setting_text(k, in)) << k.name;
  }
}

TEST_F(PageSettingsFileTest, TheCommentIsStoredOnOneLine) {
  PageSettings in = default_page_settings();
  in.comment = "first\r\nsecond";
  EXPECT_TRUE(write_page_settings(folder, in));
  EXPECT_NE(site().find("COMMENT=first\x01\x02second\r\n"), std::string::npos);
  PageSettings out;
  read_page_settings(folder, out);
  EXPECT_EQ(out.comment, "first\r\nsecond");
}

TEST_F(PageSettingsFileTest, StringKeysMoveToTheEndAndOtherKeysStay) {
  write_file_atomic(folder + "/site.db",
                    "[CONFIG]\r\nURL=old\r\nUSE_OLD_LOG=3\r\nMY_KEY=kept\r\n[OTHER]\r\nX=1\r\n");
  PageSettings in = default_page_settings();
  in.url = "new";
  ASSERT_TRUE(write_page_settings(folder, in));
  std::string s = site();
  EXPECT_EQ(s.find("[CONFIG]\r\nUSE_OLD_LOG=1\r\nMY_KEY=kept\r\n"), 0u);
  EXPECT_LT(s.find("IGNORE_SAME_TEXT=0"), s.find("URL=new"));
  EXPECT_NE(s.find("[OTHER]\r\nX=1\r\n"), std::string::npos);
  // Once every key exists, each write moves the string keys behind all
  // integer keys, in table order.
  ASSERT_TRUE(write_page_settings(folder, in));
  s = site();
  EXPECT_LT(s.find("NGAREA0_AFTER=1"), s.find("URL=new"));
  EXPECT_LT(s.find("URL=new"), s.find("BROWSE_URL="));
  EXPECT_LT(s.find("NGWORD9="), s.find("AUTH_PASS="));
  EXPECT_LT(s.find("NOPROXY=0"), s.find("TABLE_SETTING=0"));
}

TEST_F(PageSettingsFileTest, TooLongAPathIsRefusedAndTheRecordKept) {
  std::string deep = dir.file(std::string(255, 'd'));
  PageSettings rec;
  rec.url = "kept";
  EXPECT_FALSE(read_page_settings(deep, rec));
  EXPECT_EQ(rec.url, "kept");
  EXPECT_FALSE(write_page_settings(deep, rec));
}

TEST_F(PageSettingsFileTest, OptionChangedAndTheGroupFlag) {
  PageSettings in = default_page_settings();
  in.option_changed = 1;
  EXPECT_TRUE(write_page_settings(folder, in));
  ASSERT_TRUE(clear_option_changed(folder));
  PageSettings out;
  read_page_settings(folder, out);
  EXPECT_EQ(out.option_changed, 0);

  EXPECT_EQ(read_group_flag(folder), 0);
  ASSERT_TRUE(write_group_flag(folder, 1));
  EXPECT_EQ(read_group_flag(folder), 1);
  EXPECT_EQ(read_file(folder + "/group.db"), "[CONFIG]\r\nDISABLE_AUTO_CHECK=1\r\n");
}

TEST_F(PageSettingsFileTest, TheBrowserNumberIsDerivedOnLoadOnly) {
  PageSettings in = default_page_settings();
  in.use_specified_program = 1;
  in.specified_program_path = "/usr/bin/firefox-page-settings-test";
  EXPECT_TRUE(write_page_settings(folder, in));
  PageSettings a;
  PageSettings b;
  read_page_settings(folder, a);
  EXPECT_EQ(a.browser_number, 0);
  ASSERT_TRUE(load_item_settings(folder, a));
  ASSERT_TRUE(load_item_settings(folder, b));
  EXPECT_GT(a.browser_number, 0);
  EXPECT_EQ(a.browser_number, b.browser_number);

  bool applied = false;
  in.use_template = 1;
  EXPECT_TRUE(write_page_settings(folder, in));
  load_item_settings(folder, a, [&](PageSettings&) { return applied = true; });
  EXPECT_TRUE(applied);
}

// Each read has its own buffer and index: two threads reading different
// records at once each see only their own record.
TEST_F(PageSettingsFileTest, TwoThreadsReadDifferentRecordsAtOnce) {
  std::string other = dir.file("q.dat");
  make_dirs(other);
  PageSettings a = default_page_settings();
  a.url = "http://a/";
  a.site_priority = 1;
  PageSettings b = a;
  b.url = "http://b/" + std::string(1500, 'b');
  b.site_priority = 2;
  EXPECT_TRUE(write_page_settings(folder, a));
  EXPECT_TRUE(write_page_settings(other, b));
  std::atomic<int> wrong{0};
  auto reader = [&](const std::string& f, const PageSettings& want) {
    for (int i = 0; i < 300; ++i) {
      PageSettings got;
      read_page_settings(f, got);
      if (got.url != want.url || got.site_priority != want.site_priority) ++wrong;
    }
  };
  std::thread t1(reader, folder, a);
  std::thread t2(reader, other, b);
  t1.join();
  t2.join();
  EXPECT_EQ(wrong.load(), 0);
}

// A writer killed at a random moment leaves either the old or the new file.
TEST_F(PageSettingsFileTest, AKilledWriterLeavesACompleteFile) {
  PageSettings a = default_page_settings();
  a.url = "http://a/";
  a.comment = std::string(900, 'a');
  PageSettings b = a;
  b.url = "http://b/";
  b.comment = std::string(900, 'b');
  // The layout settles after the first rewrite; capture both settled forms.
  EXPECT_TRUE(write_page_settings(folder, a));
  EXPECT_TRUE(write_page_settings(folder, b));
  ASSERT_TRUE(write_page_settings(folder, a));
  const std::string file_a = site();
  EXPECT_TRUE(write_page_settings(folder, b));
  const std::string file_b = site();
  ASSERT_NE(file_a, file_b);

  for (int round = 0; round < 5; ++round) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (;;) {
        EXPECT_TRUE(write_page_settings(folder, a));
        EXPECT_TRUE(write_page_settings(folder, b));
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20 + 15 * round));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::string now = site();
    EXPECT_TRUE(now == file_a || now == file_b) << "round " << round << ": " << now.size();
    PageSettings back;
    read_page_settings(folder, back);
    EXPECT_EQ(back.comment.size(), 900u);
  }
}

}  // namespace
}  // namespace ks::store
