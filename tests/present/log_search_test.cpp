#include <gtest/gtest.h>

#include "compare/result_record.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "present/buffered_pane.h"
#include "present/find_text.h"
#include "present/log_search.h"
#include "store/page_settings_io.h"
#include "store/tree_scan.h"
#include "support/temp_dir.h"

namespace ks::present {
namespace {

std::string sj(const char* utf8) {
  return utf8_to_sjis(utf8);
}

bool finds(const std::string& needle, const std::string& line) {
  return normalized_contains(normalize_for_search(line), normalize_for_search(needle));
}

TEST(SearchNormalization, KanaWidthsMarksAndCaseMeet) {
  // Half-width katakana with voiced and semi-voiced marks find full-width kana.
  EXPECT_TRUE(finds("\xB6\xDE\xB2\xC4\xDE", sj("ガイド")));
  EXPECT_TRUE(finds("\xCA\xDF\xBD", sj("パス")));
  EXPECT_TRUE(finds("\xCB\xDE", sj("ビ")));
  EXPECT_TRUE(finds("\xB3\xDE\xA7", sj("ヴァ")));
  // A hyphen or the half-width mark finds the long-vowel mark and the minus.
  EXPECT_TRUE(finds("\xCF-\xB8", sj("マーク")));
  EXPECT_TRUE(finds(sj("マ") + "\xB0", sj("マー")));
  EXPECT_TRUE(finds("a-b", sj("Ａ－Ｂ")));
  // Lower-case ASCII finds full-width capitals and full-width small letters.
  EXPECT_TRUE(finds("news", sj("ＮＥＷＳ速報")));
  EXPECT_TRUE(finds("NEWS", sj("ｎｅｗｓ")));
  EXPECT_FALSE(finds("new", sj("ＮＥＴ")));
  // Matches start on whole characters only.
  EXPECT_FALSE(normalized_contains(normalize_for_search(sj("アイ")),
                                   normalize_for_search(sj("イ")).substr(1)));
  EXPECT_EQ(normalize_for_search("\x01").size(), 2u);
}

class LogSearchTest : public ::testing::Test {
 protected:
  std::string base() const { return dir.path() + "/"; }
  std::string data() const { return dir.path() + "/data"; }
  void item(const std::string& rel, int current,
            const std::vector<std::pair<int, std::string>>& logs) {
    const std::string folder = data() + "/" + rel;
    make_dirs(folder);
    store::PageSettings rec = store::default_page_settings();
    rec.url = "http://item.test/";
    EXPECT_TRUE(store::write_page_settings(folder, rec));
    EXPECT_TRUE(compare::write_current_log_number(folder, current));
    for (const auto& [n, text] : logs) {
      write_file_atomic(folder + "/add" + std::to_string(n) + ".txt", text);
    }
  }
  store::Tree scan() {
    make_dirs(data());
    store::Tree t;
    store::scan_tree_from_disk(t, base());
    return t;
  }
  test::TempDir dir;
};

TEST_F(LogSearchTest, VisitsLogsNewestFirstAndWritesHeadlineOnce) {
  item("g.grp/a.dat", 1,
       {{1, sj("最新の更新\r\n関係ない\r\n")},
        {0, "<a href=\"http://x/\">" + sj("古い更新") + "</a> &amp; more\r\n"},
        {24, sj("一番古い更新")}});
  item("g.grp/b.dat", 0, {{0, sj("ない")}});
  store::Tree tree = scan();
  BufferedPane pane;
  app_options::Options options;
  options.headers[0] = "== %link; (%date;) %config;";
  LogSearchEnv env;
  env.base_folder = base();
  env.options = &options;
  std::vector<std::string> statuses;
  env.status = [&](std::string_view s) { statuses.emplace_back(s); };
  const int hits = search_logs(pane, tree, tree.resolve("g"), sj("更新"), env);
  EXPECT_EQ(hits, 3);
  // The result display's headline, without a time.
  const std::string expected = sj("== a () ▽\n最新の更新\n古い更新 & more\n一番古い更新\n");
  EXPECT_EQ(pane.text(), expected);
  ASSERT_EQ(pane.headlines().entries().size(), 1u);
  EXPECT_EQ(pane.headlines().entries()[0].line, 0);
  // The name links to the page; the old log's anchor stays a link.
  ASSERT_EQ(pane.links().size(), 3u);
  EXPECT_EQ(pane.links()[0].target, "http://item.test/");
  EXPECT_EQ(pane.links()[1].target, item_settings_target(tree.resolve("g/a")));
  EXPECT_EQ(pane.links()[2].target, "http://x/");
  EXPECT_EQ(statuses.back(), sj("検索完了"));
  EXPECT_EQ(statuses.front(), sj("検索中 \"a\"..."));
}

TEST_F(LogSearchTest, HitLinesReadAsTheResultDisplayShowsThem) {
  // Images and empty anchors as the display shows them, not dropped.
  item("a.dat", 0, {{0, "hit <img src=\"i/p.png\" alt=\"pic\"> <a href=\"http://l/\"></a>\r\n"}});
  store::Tree tree = scan();
  BufferedPane pane;
  app_options::Options options;
  options.headers[0] = "%link;";
  options.image_link = 1;
  LogSearchEnv env;
  env.base_folder = base();
  env.options = &options;
  EXPECT_EQ(search_logs(pane, tree, tree.root(), "hit", env), 1);
  EXPECT_EQ(pane.text(), "a\nhit [" + sj("画像") + ":pic] [link]\n");
  ASSERT_EQ(pane.links().size(), 3u);
  EXPECT_EQ(pane.links()[1].target, "i/p.png");
  EXPECT_EQ(pane.links()[2].target, "http://l/");
}

TEST_F(LogSearchTest, NothingFoundAndEmptyGroups) {
  item("g.grp/a.dat", 0, {{0, sj("本文")}});
  make_dirs(data() + "/empty.grp");
  store::Tree tree = scan();
  BufferedPane pane;
  LogSearchEnv env;
  env.base_folder = base();
  EXPECT_EQ(search_logs(pane, tree, tree.resolve("g"), sj("無い"), env), 0);
  EXPECT_EQ(pane.text(), sj("「無い」は見つかりませんでした。"));
  EXPECT_EQ(search_logs(pane, tree, tree.resolve("empty"), "x", env), 0);
  EXPECT_EQ(pane.text(), sj("「x」は見つかりませんでした。"));
}

TEST_F(LogSearchTest, StopFlagEndsAtOnce) {
  item("a.dat", 0, {{0, "hit\r\n"}});
  store::Tree tree = scan();
  BufferedPane pane;
  std::atomic<bool> stop{true};
  LogSearchEnv env;
  env.base_folder = base();
  env.stop = &stop;
  EXPECT_EQ(search_logs(pane, tree, tree.root(), "hit", env), 0);
}

TEST(FindInPane, ForwardBackwardAndWrapAround) {
  BufferedPane pane;
  pane.begin();
  pane.write_text("abc x abc\r\nabc\r\n");
  pane.end();
  // Text: "abc x abc\nabc\n" -> hits at 0, 6, 10.
  auto hit = find_in_pane(pane, "abc", FindDirection::kForward, false, {});
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->start, 0u);
  hit = find_in_pane(pane, "abc", FindDirection::kForward, true, *hit);
  EXPECT_EQ(hit->start, 6u);
  hit = find_in_pane(pane, "abc", FindDirection::kForward, true, *hit);
  EXPECT_EQ(hit->start, 10u);
  hit = find_in_pane(pane, "abc", FindDirection::kForward, true, *hit);
  EXPECT_EQ(hit->start, 0u);  // wrapped
  hit = find_in_pane(pane, "abc", FindDirection::kBackward, false, {});
  EXPECT_EQ(hit->start, 10u);
  hit = find_in_pane(pane, "abc", FindDirection::kBackward, true, *hit);
  EXPECT_EQ(hit->start, 6u);
  hit = find_in_pane(pane, "abc", FindDirection::kBackward, true, *hit);
  EXPECT_EQ(hit->start, 0u);
  hit = find_in_pane(pane, "abc", FindDirection::kBackward, true, *hit);
  EXPECT_EQ(hit->start, 10u);  // wrapped
  EXPECT_FALSE(find_in_pane(pane, "zz", FindDirection::kForward, false, {}));
  EXPECT_FALSE(find_in_pane(pane, "", FindDirection::kForward, false, {}));
}

}  // namespace
}  // namespace ks::present
