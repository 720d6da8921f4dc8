// The report in a real browser: headless chromium loads a generated report
// and dumps the document it built; the text and the links must be there.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "compare/result_record.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "present/report.h"
#include "store/page_settings_io.h"
#include "store/tree_scan.h"
#include "support/peers.h"
#include "support/temp_dir.h"

namespace ks::present {
namespace {

std::string sj(const char* utf8) {
  return utf8_to_sjis(utf8);
}

// Runs a command and returns what it printed on stdout.
std::string capture(const std::string& command) {
  std::string out;
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  std::size_t n = 0;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  ::pclose(p);
  return out;
}

TEST(ReportInBrowser, ChromiumShowsTheTextAndTheLinks) {
  const std::string chromium =
      test::find_program({"chromium", "chromium-browser", "google-chrome"});
  if (chromium.empty()) GTEST_SKIP() << "chromium is not installed";
  test::TempDir dir;
  const std::string base = dir.path() + "/";
  const std::string folder = base + "data/" + sj("ニュース.grp/速報.dat");
  ASSERT_TRUE(make_dirs(folder));
  store::PageSettings rec = store::default_page_settings();
  rec.url = "http://news.test/top";
  rec.detect_deleted_lines = 1;
  ASSERT_TRUE(store::write_page_settings(folder, rec));
  EXPECT_TRUE(compare::write_result(folder, compare::kResultChanged, ""));
  EXPECT_TRUE(compare::write_current_log_number(folder, 0));
  write_file_atomic(folder + "/add0.txt", "Last-Modified: Mon, 01 Jan 2024 00:00:00 GMT\r\n" +
                                              sj("新しい記事が出ました") +
                                              "\r\n<a href=\"http://news.test/article/1\">" +
                                              sj("記事その一") + "</a>\r\n");
  write_file_atomic(folder + "/del0.txt", sj("消えた行") + "\r\n");
  store::Tree tree;
  store::scan_tree_from_disk(tree, base);

  app_options::Options options;
  options.use_highlight = 1;
  options.highlights[0] = sj("記事");
  options.use_html_link_open_new = 1;
  ReportEnv env;
  env.options = &options;
  env.base_folder = base;
  const auto path = write_report(tree, tree.root(), ReportMode::kText, env);
  ASSERT_TRUE(path);

  const std::string profile = dir.path() + "/chromium-profile";
  const std::string command = "timeout 120 '" + chromium +
                              "' --headless --no-sandbox --disable-gpu "
                              "--disable-background-networking --no-first-run "
                              "--user-data-dir='" +
                              profile + "' --dump-dom 'file://" + *path + "' 2>/dev/null";
  const std::string dom = capture(command);
  ASSERT_FALSE(dom.empty()) << "chromium printed nothing";
  // Shift_JIS was understood: the texts come back as UTF-8.
  EXPECT_NE(dom.find("更新チェック結果"), std::string::npos);
  EXPECT_NE(dom.find("新しい<span class=\"highlight1\">記事</span>が出ました"), std::string::npos);
  EXPECT_NE(dom.find("【削除】速報"), std::string::npos);
  EXPECT_NE(dom.find("消えた行"), std::string::npos);
  EXPECT_EQ(dom.find("Last-Modified"), std::string::npos);
  // The heading and content links survive parsing.
  EXPECT_NE(dom.find("<a href=\"http://news.test/top\">速報</a>"), std::string::npos);
  EXPECT_NE(dom.find("<a target=\"_blank\" href=\"http://news.test/article/1\">"
                     "<span class=\"highlight1\">記事</span>その一</a>"),
            std::string::npos);
  EXPECT_NE(dom.find("<a href=\"#1\">▼</a>"), std::string::npos);
}

}  // namespace
}  // namespace ks::present
