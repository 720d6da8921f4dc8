// Log rotation, past-log deletion, the result record and its migrations, and
// the end-of-check sequence.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "compare/check_finish.h"
#include "compare/limits.h"
#include "compare/log_files.h"
#include "compare/result_record.h"
#include "platform/fs.h"
#include "platform/profile.h"
#include "platform/sjis.h"
#include "support/temp_dir.h"

namespace ks::compare {
namespace {

class Logs : public ::testing::Test {
 protected:
  void touch(const std::string& name, const std::string& text = "x\r\n") {
    write_file_atomic(dir_.file(name), text);
  }
  bool has(const std::string& name) { return path_exists(dir_.file(name)); }
  void fill_numbered() {
    for (int n = 0; n < kLogNumbers; ++n) {
      touch("log" + std::to_string(n) + ".txt");
      touch("add" + std::to_string(n) + ".txt");
      touch("del" + std::to_string(n) + ".txt");
    }
  }
  ks::test::TempDir dir_;
};

TEST_F(Logs, FirstCheckMakesLogOne) {
  touch("new.txt");
  touch("htmltmp.txt");
  EXPECT_EQ(read_current_log_number(dir_.path()), 0);
  EXPECT_EQ(rotate_logs(dir_.path(), 0, 1, 3), 1);
  EXPECT_TRUE(has("log1.txt"));
  EXPECT_FALSE(has("add1.txt"));
  EXPECT_FALSE(has("new.txt"));
  EXPECT_TRUE(has("html.txt"));
  EXPECT_FALSE(has("htmltmp.txt"));
  EXPECT_EQ(read_current_log_number(dir_.path()), 1);
}

TEST_F(Logs, UseOldLogKeepsThatManyTexts) {
  fill_numbered();
  touch("new.txt");
  EXPECT_EQ(rotate_logs(dir_.path(), 2, 1, 24), 3);
  EXPECT_FALSE(has("log1.txt"));
  EXPECT_TRUE(has("log2.txt"));
  EXPECT_TRUE(has("log3.txt"));
  EXPECT_TRUE(has("log0.txt"));  // only (n - k - 1) goes
}

TEST_F(Logs, UseOldLog24KeepsEverything) {
  fill_numbered();
  touch("new.txt");
  rotate_logs(dir_.path(), 10, 24, 24);
  for (int n = 0; n < kLogNumbers; ++n) EXPECT_TRUE(has("log" + std::to_string(n) + ".txt"));
}

TEST_F(Logs, NReloadKeepsThatManyAddLogs) {
  fill_numbered();
  touch("new.txt");
  touch("add0.txt", "new add\r\n");  // as the comparison writes it
  EXPECT_EQ(rotate_logs(dir_.path(), 24, 1, 3, {true, false}), 0);
  EXPECT_FALSE(has("add22.txt"));
  EXPECT_FALSE(has("del22.txt"));
  EXPECT_TRUE(has("add23.txt"));
  EXPECT_EQ(*read_file(dir_.file("add0.txt")), "new add\r\n");
  EXPECT_FALSE(has("del0.txt"));  // not written by this check: the old del0.txt is gone
  // Out-of-range N_RELOAD counts as 3.
  touch("new.txt");
  rotate_logs(dir_.path(), 0, 1, 99);
  EXPECT_FALSE(has("add23.txt"));
  EXPECT_FALSE(has("add1.txt"));  // a left-over of an unfinished check
  // Without new.txt nothing moves and nothing names the missing log.
  EXPECT_EQ(rotate_logs(dir_.path(), 1, 1, 3), 1);
  EXPECT_TRUE(has("log1.txt"));
}

TEST_F(Logs, DeletePastLogsKeepsCurrentAndDel) {
  fill_numbered();
  touch("head.txt");
  touch("new.txt");
  EXPECT_TRUE(write_current_log_number(dir_.path(), 5));
  delete_past_logs(dir_.path());
  for (int n = 0; n < kLogNumbers; ++n) {
    const std::string s = std::to_string(n);
    EXPECT_EQ(has("log" + s + ".txt"), n == 5);
    EXPECT_EQ(has("add" + s + ".txt"), n == 5);
    EXPECT_TRUE(has("del" + s + ".txt"));
  }
  EXPECT_FALSE(has("head.txt"));
  EXPECT_TRUE(has("new.txt"));
}

TEST_F(Logs, DeletePastLogsOfSubtree) {
  make_dirs(dir_.file("g.grp/i.dat"));
  make_dirs(dir_.file("t.tpl"));
  write_file_atomic(dir_.file("g.grp/i.dat/log3.txt"), "x");
  write_file_atomic(dir_.file("t.tpl/add3.txt"), "x");
  std::vector<std::string> names;
  delete_past_logs_in_subtree(dir_.path(), [&](std::string_view n) { names.emplace_back(n); });
  EXPECT_FALSE(path_exists(dir_.file("g.grp/i.dat/log3.txt")));
  EXPECT_FALSE(path_exists(dir_.file("t.tpl/add3.txt")));
  EXPECT_EQ(names.size(), 2u);
}

TEST_F(Logs, UpdateTimeIsTheEarlierOfBoth) {
  touch("html.txt",
        "HTTP/1.1 200 OK\r\nLast-Modified: Sun, 06 Nov 1994 08:49:37 GMT\r\n\r\nbody\r\n");
  EXPECT_EQ(update_time(dir_.path(), 2), 784111777);
  touch("add2.txt");
  EXPECT_EQ(update_time(dir_.path(), 2), 784111777);  // the file is newer
  std::filesystem::remove(dir_.file("html.txt"));
  EXPECT_EQ(update_time(dir_.path(), 2), file_mtime(dir_.file("add2.txt")));
  EXPECT_EQ(update_time(dir_.path(), 7), std::nullopt);
}

TEST_F(Logs, ResultFilesInShowingOrder) {
  touch("add3.txt");
  touch("del3.txt");
  touch("log3.txt");
  const std::string d = dir_.path();
  EXPECT_EQ(result_files(d, 3, false, true),
            (std::vector<std::string>{dir_.file("add3.txt"), dir_.file("del3.txt")}));
  EXPECT_EQ(result_files(d, 3, false, false), std::vector<std::string>{dir_.file("add3.txt")});
  EXPECT_EQ(result_files(d, 3, true, false), std::vector<std::string>{dir_.file("log3.txt")});
  touch("new.txt");
  EXPECT_EQ(result_files(d, 3, true, false), std::vector<std::string>{dir_.file("new.txt")});
  EXPECT_TRUE(result_files(d, -1, false, true).empty());
}

TEST_F(Logs, AgeOfTheCurrentLog) {
  touch("log2.txt", "Last-Modified: Sun, 06 Nov 1994 08:49:37 GMT\r\nx\r\n");
  EXPECT_EQ(seconds_since_change(dir_.path(), 2, 784111777 + 40 * 86400), 40 * 86400);
  touch("log4.txt", "no date\r\n");
  EXPECT_EQ(seconds_since_change(dir_.path(), 4, *file_mtime(dir_.file("log4.txt")) + 5), 5);
  EXPECT_EQ(seconds_since_change(dir_.path(), 9, 0), std::nullopt);
}

TEST(HttpDate, Forms) {
  EXPECT_EQ(parse_http_date("Sun, 06 Nov 1994 08:49:37 GMT"), 784111777);
  EXPECT_EQ(parse_http_date("Sunday, 06-Nov-94 08:49:37 GMT"), 784111777);
  EXPECT_EQ(parse_http_date("Sun Nov  6 08:49:37 1994"), 784111777);
  EXPECT_EQ(parse_http_date("yesterday"), std::nullopt);
}

using Result = Logs;

TEST_F(Result, WriteAndRead) {
  EXPECT_EQ(read_result_code(dir_.path()), 0);
  EXPECT_TRUE(write_result(dir_.path(), 5, "HTTP " + std::string(200, 'x')));
  EXPECT_EQ(read_result_code(dir_.path()), 5);
  EXPECT_EQ(read_result_message(dir_.path()).size(), 99u);
  EXPECT_TRUE(write_current_log_number(dir_.path(), 4));
  EXPECT_TRUE(clear_result(dir_.path()));
  EXPECT_EQ(read_result_code(dir_.path()), 0);
  EXPECT_EQ(read_current_log_number(dir_.path()), 4);  // INDEX stays
}

TEST_F(Result, LegacyResultIniIsTakenOver) {
  touch("result.ini", "[RESULT]\r\nCODE=3\r\n[INDEX]\r\nCURRENT=2\r\n");
  EXPECT_EQ(read_result_code_migrating(dir_.path()), 3);
  EXPECT_FALSE(has("result.ini"));
  EXPECT_EQ(read_result_code(dir_.path()), 3);
  EXPECT_EQ(read_current_log_number(dir_.path()), 2);
}

TEST_F(Result, LegacyIndexTxtIsTakenOver) {
  touch("index.txt", "7\r\n");
  EXPECT_EQ(read_current_log_number(dir_.path()), 7);
  EXPECT_FALSE(has("index.txt"));
  EXPECT_EQ(profile_read_int(dir_.file("result.db"), "INDEX", "CURRENT", -1), 7);
}

TEST_F(Result, OutOfRangeCurrentCountsAsZero) {
  touch("result.db", "[INDEX]\r\nCURRENT=31\r\n");
  EXPECT_EQ(read_current_log_number(dir_.path()), 0);
}

TEST_F(Result, TooLongPathIsANoOp) {
  const std::string deep = dir_.path() + "/" + std::string(255, 'd');
  EXPECT_EQ(read_result_code(deep), -1);
  EXPECT_EQ(read_current_log_number(deep), 0);
  EXPECT_FALSE(write_result(deep, 3, ""));
}

TEST(ResultCode, StatusTable) {
  const int expected[] = {1, 3, 0, 5, 2, 6, 7};
  for (int s = 0; s <= 6; ++s) {
    EXPECT_EQ(result_code_for_status(static_cast<CheckStatus>(s), false), expected[s]);
  }
  EXPECT_EQ(result_code_for_status(CheckStatus::kChanged, true), 4);
}

TEST_F(Result, HttpErrorMessage) {
  EXPECT_EQ(http_error_message(dir_.path()), KS_SJ("HTTPエラー"));
  touch("htmltmp.txt", "HTTP/1.1 404 Not Found\r\n\r\n");
  EXPECT_EQ(http_error_message(dir_.path()), KS_SJ("HTTPエラー") + " (HTTP/1.1 404 Not Found)");
  touch("htmltmp.txt", "HTTP/1.1 404 " + std::string(120, 'n') + "\r\n");
  EXPECT_EQ(http_error_message(dir_.path()), KS_SJ("HTTPエラー"));
  // A response kept in memory gives the message its file would give.
  for (const std::string& response :
       {std::string("HTTP/1.1 404 Not Found\r\n\r\nbody"), std::string("HTTP/1.1 500 A\0B\r\n", 18),
        "HTTP/1.1 404 " + std::string(120, 'n') + "\r\n", std::string("HTTP/1.1 403 x")}) {
    touch("htmltmp.txt", response);
    EXPECT_EQ(http_error_message_of(response), http_error_message(dir_.path()));
  }
}

TEST_F(Result, FinishChangedRotatesAndClearsOptionChanged) {
  touch("new.txt");
  touch("add1.txt");
  touch("htmltmp.txt");
  touch("site.db", "[CONFIG]\r\nOPTION_CHANGED=1\r\n");
  FinishOutcome o = finish_check({dir_.path(), CheckStatus::kChanged, false, "", true, 0, 1, 3});
  EXPECT_EQ(o.code, 3);
  EXPECT_TRUE(o.updated_mark);
  EXPECT_TRUE(o.option_cleared);
  EXPECT_EQ(o.log_number, 1);
  EXPECT_TRUE(has("add1.txt"));
  EXPECT_EQ(profile_read_int(dir_.file("site.db"), "CONFIG", "OPTION_CHANGED", -1), 0);
}

TEST_F(Result, FinishNetworkErrorKeepsEverything) {
  touch("htmltmp.txt");
  touch("site.db", "[CONFIG]\r\nOPTION_CHANGED=1\r\n");
  FinishOutcome o =
      finish_check({dir_.path(), CheckStatus::kNoChange, true, "timeout", true, 0, 1, 3});
  EXPECT_EQ(o.code, 4);
  EXPECT_TRUE(o.error_mark);
  EXPECT_EQ(read_result_message(dir_.path()), "timeout");
  EXPECT_TRUE(has("htmltmp.txt"));
  EXPECT_EQ(profile_read_int(dir_.file("site.db"), "CONFIG", "OPTION_CHANGED", -1), 1);
}

TEST_F(Result, FinishNoChangeRemovesResponse) {
  touch("htmltmp.txt");
  touch("new.txt");
  FinishOutcome o = finish_check({dir_.path(), CheckStatus::kNoChange, false, "", false, 3, 1, 3});
  EXPECT_EQ(o.code, 1);
  EXPECT_FALSE(has("htmltmp.txt"));
  EXPECT_TRUE(has("new.txt"));
  EXPECT_EQ(o.log_number, 3);
}

TEST_F(Result, ClearErrorsOnlyTouchesErrors) {
  make_dirs(dir_.file("g.grp/a.dat"));
  make_dirs(dir_.file("g.grp/b.dat"));
  EXPECT_TRUE(write_result(dir_.file("g.grp/a.dat"), 5, "x"));
  EXPECT_TRUE(write_result(dir_.file("g.grp/b.dat"), 3, ""));
  std::vector<std::string> cleared;
  clear_results(dir_.path(), true, [&](std::string_view f) { cleared.emplace_back(f); });
  EXPECT_EQ(cleared.size(), 1u);
  EXPECT_EQ(read_result_code(dir_.file("g.grp/a.dat")), 0);
  EXPECT_EQ(read_result_code(dir_.file("g.grp/b.dat")), 3);
  clear_results(dir_.path(), false);
  EXPECT_EQ(read_result_code(dir_.file("g.grp/b.dat")), 0);
}

TEST(NoChangeNotice, DaysHoursMinutes) {
  NoChangeOptions o{true, 30, true};
  EXPECT_EQ(no_change_notice(1, o, 3 * 86400LL), std::nullopt);
  EXPECT_EQ(no_change_notice(1, o, 40 * 86400LL), "40" + KS_SJ("日間 更新なし"));
  o.nochange_days = 0;
  EXPECT_EQ(no_change_notice(2, o, 5 * 3600LL), "5" + KS_SJ("時間 最終更新日に変化なし"));
  EXPECT_EQ(no_change_notice(1, o, 600LL), "10" + KS_SJ("分間 更新なし"));
  EXPECT_EQ(no_change_notice(1, o, 30LL), KS_SJ("更新なし"));
  o.disp_nochange_time = false;
  EXPECT_EQ(no_change_notice(1, o, 40 * 86400LL), KS_SJ("更新なし"));
  o.nochange_msg = false;
  EXPECT_EQ(no_change_notice(1, o, 0LL), std::nullopt);
}

}  // namespace
}  // namespace ks::compare
