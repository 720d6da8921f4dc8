// Composing results from item folders: headlines, limits, deleted lines,
// whole pages, keywords, outcomes of a run, stored results, the update list.
#include <gtest/gtest.h>
#include <utime.h>

#include <ctime>
#include <string>

#include "compare/log_files.h"
#include "compare/result_record.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "present/display.h"
#include "present/pane_batch.h"
#include "present/run_display.h"
#include "store/node_path.h"
#include "store/page_settings_io.h"
#include "support/recording_pane.h"
#include "support/temp_dir.h"

namespace ks::present {
namespace {

using testing::RecordingPane;

class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    options.headers = {"== %link; ==", "!! %link; !!", "** %link; **"};
    item = store::default_page_settings();
    item.name = KS_SJ("例");
    item.url = "http://e/";
    item.node_id = 7;
    item.folder_path = dir.path();
    env.options = &options;
  }
  std::string write(const std::string& name, std::string_view utf8) {
    const std::string path = dir.file(name);
    EXPECT_TRUE(write_file_atomic(path, utf8_to_sjis(utf8)));
    return path;
  }
  static void set_mtime(const std::string& path, int64_t t) {
    struct utimbuf times {
      static_cast<time_t>(t), static_cast<time_t>(t)
    };
    ASSERT_EQ(::utime(path.c_str(), &times), 0);
  }
  static std::string lines(int n) {
    std::string s;
    for (int i = 1; i <= n; ++i) s += "l" + std::to_string(i) + "\r\n";
    return s;
  }

  test::TempDir dir;
  app_options::Options options;
  store::PageSettings item;
  DisplayEnv env;
  RecordingPane pane;
  const std::string head = "== [例](http://e/) ==\n";
};

TEST_F(DisplayTest, LogWithOnlyALastModifiedLineShowsNothing) {
  const auto path = write("add.txt", "Last-Modified: Tue, 01 Dec 2026 10:00:00 GMT\r\n");
  EXPECT_EQ(show_log_file(pane, path, false, item, false, env), 0);
  EXPECT_EQ(pane.text(), "");
  EXPECT_TRUE(pane.headlines().entries().empty());
}

TEST_F(DisplayTest, MissingLogShowsNothingAndLeavesThePaneAlone) {
  EXPECT_EQ(show_log_file(pane, dir.file("none.txt"), false, item, false, env), 0);
  EXPECT_TRUE(pane.calls.empty());
}

TEST_F(DisplayTest, HeadlineThenLinesInHeadlineStyle) {
  const auto path = write("add.txt", "a\r\n<a href=\"http://x/\">b</a>\r\n");
  pane.write_text("before\n");
  EXPECT_EQ(show_log_file(pane, path, false, item, false, env), 2);
  EXPECT_EQ(pane.marked(), "before\n" + head + "a\n[b](http://x/)\n\n");
  ASSERT_EQ(pane.headlines().entries().size(), 1u);
  EXPECT_EQ(pane.headlines().entries()[0].line, 1);
  EXPECT_EQ(pane.calls, (std::vector<std::string>{"begin", "kind 2", "kind 0", "end"}));
  EXPECT_EQ(pane.runs(kAttrHeadline0).size(), 1u);
}

TEST_F(DisplayTest, HeadlineStyleFollowsImportanceOnlyWithBothColourOptions) {
  const auto path = write("add.txt", "a\r\n");
  item.site_priority = 2;
  show_log_file(pane, path, false, item, false, env);
  options.use_midashi_color1 = 0;
  show_log_file(pane, path, false, item, false, env);
  options.use_midashi_color = 0;
  show_log_file(pane, path, false, item, false, env);
  EXPECT_EQ(pane.calls[1], "kind 4");
  EXPECT_EQ(pane.calls[5], "kind 2");
  EXPECT_EQ(pane.calls[9], "kind 0");
  EXPECT_EQ(pane.marked().rfind("** [例](http://e/) **", 0), 0u);
}

TEST_F(DisplayTest, HeadlineTimeComesFromLastModifiedUnlessCheckDateIsShown) {
  options.headers[0] = "%date; %time;";
  const auto path = write("add.txt", "Last-Modified: Tue, 01 Dec 2026 10:20:30 GMT\r\nx\r\n");
  const int64_t file_time = 1700000000;
  set_mtime(path, file_time);
  auto expected = [](int64_t t) {
    const time_t tt = static_cast<time_t>(t);
    std::tm tm{};
    localtime_r(&tt, &tm);
    char buf[40];
    std::strftime(buf, sizeof buf, "%Y/%m/%d %H:%M:%S\n", &tm);
    return std::string(buf);
  };
  show_log_file(pane, path, false, item, false, env);
  EXPECT_EQ(pane.utf8().substr(0, 20),
            expected(*compare::parse_http_date("Tue, 01 Dec 2026 10:20:30 GMT")));
  RecordingPane second;
  options.disp_check_date = 1;
  show_log_file(second, path, false, item, false, env);
  EXPECT_EQ(second.utf8().substr(0, 20), expected(file_time));
}

TEST_F(DisplayTest, MaxDispLineShowsOneMoreLineThenTheNotice) {
  const auto p101 = write("add101.txt", lines(101));
  EXPECT_EQ(show_log_file(pane, p101, false, item, false, env), 101);
  EXPECT_EQ(pane.utf8().find("違いが大きすぎます"), std::string::npos);

  RecordingPane second;
  const auto p102 = write("add102.txt", lines(102));
  EXPECT_EQ(show_log_file(second, p102, false, item, false, env), 101);
  const std::string text = second.marked();
  EXPECT_NE(text.find("l101\n\n【！】違いが大きすぎます。( [例](http://e/) )\n\n"),
            std::string::npos);
  EXPECT_EQ(text.find("l102"), std::string::npos);
}

TEST_F(DisplayTest, OutOfRangeMaxDispLineMeansOneHundred) {
  options.max_disp_line = 0;
  const auto path = write("add.txt", lines(150));
  EXPECT_EQ(show_log_file(pane, path, false, item, false, env), 101);
}

TEST_F(DisplayTest, PercentStartingNoPlaceholderIsText) {
  options.headers[0] = "50%off %LINK; %foo;bar %Date 100%";
  const auto path = write("add.txt", "x\r\n");
  show_log_file(pane, path, false, item, false, env);
  EXPECT_EQ(pane.marked(), "50%off [例](http://e/) %foo;bar %Date 100%\nx\n\n");
}

TEST_F(DisplayTest, ConfigAndCommentPlaceholders) {
  options.headers[0] = "%config;%comment;";
  item.comment = "c1";
  const auto path = write("add.txt", "x\r\n");
  show_log_file(pane, path, false, item, false, env);
  EXPECT_EQ(pane.marked(), "[▽](#7)c1\nx\n\n");
}

TEST_F(DisplayTest, DeletedLinesFollowUnderTheDeletedMark) {
  item.detect_deleted_lines = 1;
  write("add.txt", "new\r\n");
  write("del.txt", "old\r\n");
  show_item_result(pane, dir.path(), -1, false, item, env);
  EXPECT_EQ(pane.marked(), head + "new\n\n【削除】" + head + "old\n\n");
  item.detect_deleted_lines = 0;
  RecordingPane second;
  show_item_result(second, dir.path(), -1, false, item, env);
  EXPECT_EQ(second.marked(), head + "new\n\n");
}

TEST_F(DisplayTest, WholePageDimsLinesOutsideTheCheckArea) {
  item.check_areas[0].start = "START";
  item.check_areas[0].end = "END";
  write("new.txt", "HEADER\r\nbefore\r\nSTART\r\nin\r\nEND\r\nafter\r\n");
  show_item_result(pane, dir.path(), 0, true, item, env);
  const std::string text = pane.text();
  ASSERT_EQ(text.find("HEADER"), std::string::npos);
  auto dimmed = [&](std::string_view word) {
    return (pane.attributes()[text.find(word)] & kAttrDimmed) != 0;
  };
  EXPECT_TRUE(dimmed("before"));
  EXPECT_FALSE(dimmed("START"));
  EXPECT_FALSE(dimmed("in\n"));
  EXPECT_FALSE(dimmed("END"));
  EXPECT_TRUE(dimmed("after"));
}

TEST_F(DisplayTest, WholePageFallsBackToTheNumberedLog) {
  write("log3.txt", "\r\nkept\r\n");
  show_item_result(pane, dir.path(), 3, true, item, env);
  EXPECT_EQ(pane.marked(), head + "kept\n\n");
}

TEST_F(DisplayTest, KeywordFoundThreeTimesGivesThreeSortedPositions) {
  options.use_highlight = 1;
  options.highlights[12] = "cat";
  options.highlights[0] = "dog";
  const auto path = write("add.txt", "cat dog cat\r\ncat\r\n");
  show_log_file(pane, path, false, item, false, env);
  const std::size_t first = pane.text().find("cat");
  ASSERT_EQ(first, 9u);  // after "== 例 ==\n"
  const auto& r = pane.keywords().ranges();
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0].start, first);
  EXPECT_EQ(r[1].start, first + 4);  // dog
  EXPECT_EQ(r[2].start, first + 8);
  EXPECT_EQ(r[3].start, first + 12);
  EXPECT_EQ(pane.runs(kAttrHighlight1).size(), 3u);
  EXPECT_EQ(pane.runs(kAttrHighlight0).size(), 1u);
  // Shown again, the pane is searched from its start; no position twice.
  show_log_file(pane, path, false, item, false, env);
  EXPECT_EQ(pane.keywords().ranges().size(), 8u);
}

TEST_F(DisplayTest, OutcomesGoToTheirPanes) {
  RecordingPane message;
  write("add.txt", "added\r\n");
  show_item_outcome(pane, message, item, {compare::kResultChanged, "", false}, env);
  show_item_outcome(pane, message, item, {compare::kResultFirstCheck, "", false}, env);
  show_item_outcome(pane, message, item,
                    {compare::kResultNetworkError, KS_SJ("接続できません"), false}, env);
  show_item_outcome(pane, message, item,
                    {compare::kResultHttpError, KS_SJ("HTTPエラー (HTTP/1.1 302 Found)"), true},
                    env);
  EXPECT_EQ(pane.marked(), head + "added\n\n■[例](http://e/) --- 初期化しました。 [▽](#7)\n");
  EXPECT_EQ(message.marked(),
            "■[例](http://e/) --- エラー : 接続できません [▽](#7)\n"
            "■[例](http://e/) --- エラー : HTTPエラー (HTTP/1.1 302 Found) [▽](#7)\n"
            "【！】HTTPリダイレクトの最大転送回数を超えました。\n");
  const auto entries = message.headlines().entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1].kind, HeadlineKind::kError);
  EXPECT_EQ(entries[1].line, 1);
}

TEST_F(DisplayTest, NoChangeIsShownOnlyWithItsOption) {
  show_item_outcome(pane, pane, item, {compare::kResultNoChange, "", false}, env);
  EXPECT_EQ(pane.marked(), "■[例](http://e/) --- 更新なし [▽](#7)\n");
  options.nochange_msg = 0;
  show_item_outcome(pane, pane, item, {compare::kResultNotModified, "", false}, env);
  EXPECT_EQ(pane.marked(), "■[例](http://e/) --- 更新なし [▽](#7)\n");
}

TEST_F(DisplayTest, RedirectNoticeLinksTheTarget) {
  show_redirect_notice(pane, item, KS_SJ("HTTPエラー (HTTP/1.1 301 Moved)"), "http://n/", env);
  EXPECT_EQ(pane.marked(),
            "■[例](http://e/) --- エラー : HTTPエラー (HTTP/1.1 301 Moved) [▽](#7)\n"
            "転送 --> [http://n/](http://n/)\n");
}

TEST_F(DisplayTest, StoredResultWalksBackThroughTheLogs) {
  ASSERT_TRUE(compare::write_result(dir.path(), compare::kResultChanged, ""));
  ASSERT_TRUE(compare::write_current_log_number(dir.path(), 0));
  write("add0.txt", "newest\r\n");
  write("add24.txt", "older\r\n");
  show_stored_result(pane, dir.path(), item, 0, env);
  EXPECT_EQ(pane.marked(), head + "newest\n\n");
  RecordingPane two;
  show_stored_result(two, dir.path(), item, 2, env);
  EXPECT_EQ(two.marked(), head + "newest\n\n" + head + "older\n\n");
}

TEST_F(DisplayTest, StoredNoChangeTellsHowLongTheLogHasNotChanged) {
  options.nochange_days = 0;
  options.disp_nochange_time = 1;
  ASSERT_TRUE(compare::write_result(dir.path(), compare::kResultNoChange, ""));
  write("log0.txt", "Last-Modified: Tue, 01 Dec 2026 00:00:00 GMT\r\nx\r\n");
  const int64_t changed = *compare::parse_http_date("Tue, 01 Dec 2026 00:00:00 GMT");
  env.now = [&] { return changed + 3 * 86400 + 60; };
  show_stored_result(pane, dir.path(), item, 0, env);
  EXPECT_EQ(pane.marked(), "■[例](http://e/) --- 3日間 更新なし [▽](#7)\n");
}

TEST_F(DisplayTest, StoredErrorShowsAnErrorLine) {
  ASSERT_TRUE(compare::write_result(dir.path(), compare::kResultNetworkError, ""));
  show_stored_result(pane, dir.path(), item, 0, env);
  EXPECT_EQ(pane.marked(), "■[例](http://e/) --- エラー : 通信エラー [▽](#7)\n");
}

TEST(AgeText, DaysHoursAndMinutes) {
  EXPECT_EQ(sjis_to_utf8(age_text(59)), "0分前");
  EXPECT_EQ(sjis_to_utf8(age_text(90 * 60)), "1時間30分前");
  EXPECT_EQ(sjis_to_utf8(age_text(86399)), "23時間59分前");
  EXPECT_EQ(sjis_to_utf8(age_text(86400 * 3 + 5)), "3日前");
  EXPECT_EQ(sjis_to_utf8(age_text(-10)), "0分前");
}

TEST_F(DisplayTest, UpdateListIsNewestFirstAndSkipsItemsWithoutTime) {
  store::Tree tree;
  const auto root = tree.add_root();
  const auto old_id = tree.add(root, store::NodeKind::kItem, "old");
  const auto none_id = tree.add(root, store::NodeKind::kItem, "none");
  const auto recent_id = tree.add(root, store::NodeKind::kItem, "recent");
  const std::string base = dir.path() + "/";
  const int64_t now = 1800000000;
  auto make = [&](store::NodeId id, const char* url, std::optional<int64_t> when) {
    const std::string folder = *store::node_path(tree, id, base);
    ASSERT_TRUE(make_dirs(folder));
    store::PageSettings s = store::default_page_settings();
    s.url = url;
    ASSERT_TRUE(store::write_page_settings(folder, s));
    if (when) {
      ASSERT_TRUE(write_file_atomic(folder + "/add0.txt", "x\r\n"));
      set_mtime(folder + "/add0.txt", *when);
    }
  };
  make(old_id, "http://old/", now - 3 * 86400);
  make(none_id, "http://none/", std::nullopt);
  make(recent_id, "http://recent/", now - 90 * 60);
  env.now = [&] { return now; };
  std::vector<std::string> status;
  env.status = [&](std::string_view s) { status.push_back(sjis_to_utf8(s)); };
  show_last_update_times(pane, tree, base, env);
  EXPECT_EQ(pane.marked(),
            "<<< 最終更新時刻 >>>\n"
            "1時間30分前:[recent](http://recent/) [▽](#" +
                std::to_string(recent_id) +
                ")\n"
                "3日前:[old](http://old/) [▽](#" +
                std::to_string(old_id) + ")\n");
  EXPECT_EQ(status.front(), "読み込み中 \"old\"...");
  EXPECT_EQ(status.back(), "");
}

TEST_F(DisplayTest, RunOutcomesGoToTheTabsTheRunNames) {
  RecordingPane all, errors, single;
  RunPanes panes{{&all, &errors, &single}};
  check::TaskRecord task;
  task.settings = item;
  task.result_code = compare::kResultHttpError;
  task.message = KS_SJ("HTTPエラー (HTTP/1.1 302 Found)");
  task.redirect_overflow = check::kRedirectOverflowMark;
  task.redirect_target = "http://next/";
  RunDisplayComposer composer(options);
  apply_display(composer.compose_outcome(task, {check::kTabAll, check::kTabErrors}), panes);
  apply_display(composer.compose_redirect(task, KS_SJ("HTTPエラー (HTTP/1.1 302 Found)"), {2, 2}),
                panes);
  apply_display(composer.compose_outcome(task, {7, 1}), panes);  // an unknown tab shows nothing
  EXPECT_EQ(all.text(), "");
  EXPECT_NE(errors.utf8().find("最大転送回数を超えました"), std::string::npos);
  EXPECT_NE(single.marked().find("転送 --> [http://next/](http://next/)\n"), std::string::npos);
  EXPECT_EQ(errors.headlines().entries().size(), 2u);
}

// A display composed into a batch and replayed onto a pane that already
// holds text ends up exactly as if it had been composed on that pane: the
// same bytes, attributes and links, headlines and keyword ranges moved to
// where the batch landed.
TEST_F(DisplayTest, ABatchReplaysAsIfComposedOnThePane) {
  options.use_highlight = 1;
  options.highlights[0] = "news";
  options.highlights[12] = KS_SJ("速報");
  write("add.txt", "<a href=\"http://x/1\">news</a> 速報\r\nplain news line\r\n");
  const ItemOutcome changed{compare::kResultChanged, "", false};
  RecordingPane direct, replayed;
  for (RecordingPane* p : {&direct, &replayed}) {
    p->begin();
    p->write_text(KS_SJ("前の行\n") + "news before\n");
    p->end();
    highlight_keywords(*p, options);
  }
  show_item_outcome(direct, direct, item, changed, env);
  PaneBatch batch;
  show_item_outcome(batch, batch, item, changed, env);
  batch.replay(replayed);
  EXPECT_EQ(replayed.text(), direct.text());
  EXPECT_EQ(replayed.attributes(), direct.attributes());
  EXPECT_EQ(replayed.marked(), direct.marked());
  auto lines = [](const Pane& p) {
    std::vector<int> out;
    for (const HeadlineEntry& e : p.headlines().entries()) out.push_back(e.line);
    return out;
  };
  EXPECT_EQ(lines(replayed), lines(direct));
  ASSERT_EQ(replayed.keywords().ranges().size(), direct.keywords().ranges().size());
  for (std::size_t i = 0; i < direct.keywords().ranges().size(); ++i) {
    EXPECT_EQ(replayed.keywords().ranges()[i].start, direct.keywords().ranges()[i].start);
  }
}

}  // namespace
}  // namespace ks::present
