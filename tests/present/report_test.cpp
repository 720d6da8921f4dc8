#include "present/report.h"

#include <gtest/gtest.h>

#include "compare/result_record.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "present/history.h"
#include "store/page_settings_io.h"
#include "store/templates.h"
#include "store/tree_scan.h"
#include "support/temp_dir.h"

namespace ks::present {
namespace {

std::string sj(const char* utf8) {
  return utf8_to_sjis(utf8);
}

std::size_t count(const std::string& hay, const std::string& needle) {
  std::size_t n = 0;
  for (std::size_t p = hay.find(needle); p != std::string::npos; p = hay.find(needle, p + 1)) ++n;
  return n;
}

class ReportTest : public ::testing::Test {
 protected:
  ReportTest() { options.use_html_move_button = 1; }
  std::string base() const { return dir.path() + "/"; }
  std::string data() const { return dir.path() + "/data"; }

  std::string item(const std::string& rel, int code, int current, int priority = 0,
                   bool deleted = false) {
    const std::string folder = data() + "/" + rel;
    make_dirs(folder);
    store::PageSettings rec = store::default_page_settings();
    rec.url = "http://" + std::to_string(current) + ".test/";
    rec.site_priority = priority;
    rec.detect_deleted_lines = deleted ? 1 : 0;
    EXPECT_TRUE(store::write_page_settings(folder, rec));
    EXPECT_TRUE(compare::write_result(folder, code, ""));
    EXPECT_TRUE(compare::write_current_log_number(folder, current));
    return folder;
  }
  void log(const std::string& folder, const std::string& kind, int n, const std::string& text) {
    write_file_atomic(folder + "/" + kind + std::to_string(n) + ".txt", text);
  }
  store::Tree scan() {
    make_dirs(data());
    store::Tree t;
    store::scan_tree_from_disk(t, base());
    return t;
  }
  ReportEnv env() {
    ReportEnv e;
    e.options = &options;
    e.base_folder = base();
    e.now = 1700000000;
    return e;
  }
  std::string body(const std::string& html) {
    const std::string head = report_head(options, ReportMode::kText, 1700000000);
    const std::string tail = report_tail(options);
    EXPECT_EQ(html.rfind(head, 0), 0u);
    EXPECT_EQ(html.substr(html.size() - tail.size()), tail);
    return html.substr(head.size(), html.size() - head.size() - tail.size());
  }

  app_options::Options options;
  test::TempDir dir;
};

TEST_F(ReportTest, HeadColoursAndCustomHtml) {
  EXPECT_EQ(html_color(0x00FFFF), "#FFFF00");
  EXPECT_EQ(html_color(0x123456), "#563412");
  options.font.back_color = 0xFF0000;
  options.line_height = 170;
  const std::string head = report_head(options, ReportMode::kImages, 1700000000);
  EXPECT_NE(head.find(" background-color: #0000FF;\n"), std::string::npos);
  EXPECT_NE(head.find(" line-height: 170%;\n"), std::string::npos);
  EXPECT_NE(head.find(".thumbnail {\n"), std::string::npos);
  EXPECT_NE(head.find(".highlight1 {background-color: #FFFF00;}\n"), std::string::npos);
  EXPECT_NE(head.find(sj("<title>更新チェック結果 (")), std::string::npos);
  options.use_custom_html = 1;
  options.custom_html_head = "<!--H-->";
  options.custom_html_body_top = "<!--T-->";
  options.custom_html_body_bottom = "<!--B-->";
  const std::string custom = report_head(options, ReportMode::kText, 1700000000);
  EXPECT_EQ(custom.find("<style"), std::string::npos);
  EXPECT_NE(custom.find("<!--H--></head>\n<body>\n<!--T-->"), std::string::npos);
  EXPECT_EQ(report_tail(options), "<!--B-->\n</body>\n</html>\n");
}

TEST_F(ReportTest, NoUpdatedItemGivesOnlyHeadAndTail) {
  const std::string a = item("a.dat", compare::kResultNoChange, 0);
  log(a, "add", 0, "old lines\r\n");
  const store::Tree tree = scan();
  EXPECT_EQ(body(build_report(tree, tree.root(), ReportMode::kText, env())), "");
}

TEST_F(ReportTest, SectionsHeadingsAndMoveButtons) {
  const std::string a = item("a.dat", compare::kResultChanged, 2, 0, true);
  log(a, "add", 2, "Last-Modified: Mon, 01 Jan 2024 00:00:00 GMT\r\nline1\r\nline2");
  log(a, "del", 2, "gone\r\n");
  const std::string b = item("b.dat", compare::kResultChanged, 0);
  log(b, "add", 0, "");  // an empty log makes no section
  const store::Tree tree = scan();
  const std::string out = body(build_report(tree, tree.root(), ReportMode::kText, env()));
  const std::string expected =
      "<p class=\"move_button\" align=\"right\"><a name=\"0\"></a><a href=\"#1\">" + sj("▼") +
      "</a> </p>\n"
      "<h2 class=\"site_name\"><a href=\"http://2.test/\">a</a></h2>\n"
      "<p class=\"content\">line1<br>\nline2</p>"
      "<hr>\n"
      "<p class=\"move_button\" align=\"right\"><a name=\"1\"></a><a href=\"#2\">" +
      sj("▼") + "</a> <a href=\"#0\">" + sj("▲") +
      "</a></p>\n"
      "<h2 class=\"site_name\"><a href=\"http://2.test/\">" +
      sj("【削除】") +
      "a</a></h2>\n"
      "<p class=\"content\">gone<br>\n</p>";
  EXPECT_EQ(out, expected);
  options.use_html_move_button = 0;
  const std::string plain = body(build_report(tree, tree.root(), ReportMode::kText, env()));
  EXPECT_EQ(plain.find("move_button"), std::string::npos);
  EXPECT_EQ(plain.rfind("<h2", 0), 0u);
}

TEST_F(ReportTest, HighlightClassesOverlapAsWordsOrder) {
  options.use_highlight = 1;
  options.highlights[0] = sj("新");
  options.highlights[10] = sj("更新");
  const std::string a = item("a.dat", compare::kResultChanged, 0);
  log(a, "add", 0, sj("更新と新<b>x</b>更<i>新</i>&amp;新"));
  const store::Tree tree = scan();
  options.use_html_move_button = 0;
  const std::string out = body(build_report(tree, tree.root(), ReportMode::kText, env()));
  const std::string content = out.substr(out.find("<p class=\"content\">") + 19);
  EXPECT_EQ(content, "<span class=\"highlight2\">" + sj("更新") + "</span>" + sj("と") +
                         "<span class=\"highlight1\">" + sj("新") + "</span><b>x</b>" +
                         "<span class=\"highlight2\">" + sj("更") + "</span><i>" +
                         "<span class=\"highlight2\">" + sj("新") + "</span></i>&amp;" +
                         "<span class=\"highlight1\">" + sj("新") + "</span></p>");
  // References are resolved for matching: "&amp;" matches a word "&".
  const auto classes = highlight_classes("a&amp;b", {"&"});
  EXPECT_EQ(classes, (std::vector<uint8_t>{0, 1, 1, 1, 1, 1, 0}));
}

TEST_F(ReportTest, LinksOpenInNewWindowsWhenAsked) {
  options.use_html_link_open_new = 1;
  options.use_html_move_button = 0;
  const std::string a = item("a.dat", compare::kResultChanged, 0);
  log(a, "add", 0, "<a href=\"x>y\">t</a> <abbr>q</abbr>");
  const store::Tree tree = scan();
  const std::string out = body(build_report(tree, tree.root(), ReportMode::kText, env()));
  EXPECT_NE(out.find("<a target=\"_blank\" href=\"x>y\">t</a> <abbr>q</abbr>"), std::string::npos);
}

TEST_F(ReportTest, ImageReportKeepsOnlyImagesAndTheirLinks) {
  options.use_html_move_button = 0;
  const std::string a = item("a.dat", compare::kResultChanged, 0);
  log(a, "add", 0,
      "text <img src=\"1.png\"> <a href=\"p\">x<img src=\"2.png\"></a><a href=\"q\">no</a>");
  const std::string b = item("b.dat", compare::kResultChanged, 0);
  log(b, "add", 0, "no images");
  const store::Tree tree = scan();
  const std::string html = build_report(tree, tree.root(), ReportMode::kImages, env());
  const std::string out = html.substr(html.find("<body>\n") + 7);
  EXPECT_EQ(out.substr(0, out.find("\n</body>")),
            "<h2 class=\"site_name\"><a href=\"http://0.test/\">a</a></h2>\n<p class=\"content\">"
            "<img src=\"1.png\" class=\"thumbnail\">\n"
            "<a href=\"p\"><img src=\"2.png\" class=\"thumbnail\"></a>\n</p>");
}

TEST_F(ReportTest, SingleItemReportsItsLastResultsNewestFirst) {
  options.n_reload = 3;
  options.use_html_move_button = 0;
  const std::string a = item("a.dat", compare::kResultNoChange, 1);
  log(a, "add", 1, "one");
  log(a, "add", 0, "zero");
  log(a, "add", 24, "twenty-four");
  log(a, "add", 23, "not reported");
  const store::Tree tree = scan();
  const std::string out = body(build_report(tree, tree.resolve("a"), ReportMode::kText, env()));
  EXPECT_LT(out.find("one"), out.find("zero"));
  EXPECT_LT(out.find("zero"), out.find("twenty-four"));
  EXPECT_EQ(out.find("not reported"), std::string::npos);
  options.n_reload = 0;
  EXPECT_EQ(body(build_report(tree, tree.resolve("a"), ReportMode::kText, env())), "");
}

TEST_F(ReportTest, ImportanceOrderWithSitePriority) {
  options.use_site_priority = 1;
  log(item("a.dat", compare::kResultChanged, 0, 0), "add", 0, "normal");
  log(item("b.dat", compare::kResultChanged, 0, 2), "add", 0, "high");
  log(item("c.dat", compare::kResultChanged, 0, 1), "add", 0, "middle");
  const store::Tree tree = scan();
  const std::string out = body(build_report(tree, tree.root(), ReportMode::kText, env()));
  EXPECT_LT(out.find("high"), out.find("middle"));
  EXPECT_LT(out.find("middle"), out.find("normal"));
  options.use_site_priority = 0;
  const std::string plain = body(build_report(tree, tree.root(), ReportMode::kText, env()));
  EXPECT_LT(plain.find("normal"), plain.find("high"));
}

TEST_F(ReportTest, TakesItemsAsACheckWouldWithTheirTemplates) {
  options.use_html_move_button = 0;
  auto change = [](const std::string& folder, auto&& edit) {
    store::PageSettings rec = store::default_page_settings();
    ASSERT_TRUE(store::read_page_settings(folder, rec));
    edit(rec);
    ASSERT_TRUE(store::write_page_settings(folder, rec));
  };
  log(item("a.dat", compare::kResultChanged, 0), "add", 0, "top");
  log(item("g.grp/b.dat", compare::kResultChanged, 0), "add", 0, "inner");
  const std::string off = item("off.dat", compare::kResultChanged, 0);
  log(off, "add", 0, "disabled item");
  change(off, [](store::PageSettings& r) { r.disable_auto_check = 1; });
  log(item("og.grp/h.dat", compare::kResultChanged, 0), "add", 0, "disabled group");
  store::write_group_flag(data() + "/og.grp", 1);
  // A template that turns on deleted lines for every item that uses one; its
  // own folder holds a log the whole-tree report must not show.
  const std::string tpl = item(sj("テンプレート/t.tpl"), compare::kResultChanged, 0);
  log(tpl, "add", 0, "template log");
  change(tpl, [](store::PageSettings& r) {
    r.url.clear();
    r.detect_deleted_lines = 1;
  });
  const std::string u = item("u.dat", compare::kResultChanged, 0);
  log(u, "add", 0, "uses template");
  log(u, "del", 0, "removed by template");
  change(u, [](store::PageSettings& r) { r.use_template = 1; });
  const store::Tree tree = scan();
  store::TemplateTable templates;
  store::load_template_table(templates, tree, base());

  ReportEnv e = env();
  e.apply_template = store::template_applier(templates);
  const std::string all = body(build_report(tree, tree.root(), ReportMode::kText, e));
  for (const char* shown : {"top", "inner", "uses template", "removed by template"}) {
    EXPECT_NE(all.find(shown), std::string::npos) << shown;
  }
  for (const char* hidden : {"disabled item", "disabled group", "template log"}) {
    EXPECT_EQ(all.find(hidden), std::string::npos) << hidden;
  }
  // Without the template the item keeps its own setting: no deleted lines.
  const std::string own = body(build_report(tree, tree.root(), ReportMode::kText, env()));
  EXPECT_EQ(own.find("removed by template"), std::string::npos);
  // What is passed over in a walk is reported when it is the selection.
  auto report_of = [&](store::NodeId n) {
    return body(build_report(tree, n, ReportMode::kText, e));
  };
  EXPECT_NE(report_of(tree.resolve("off")).find("disabled item"), std::string::npos);
  EXPECT_NE(report_of(tree.resolve("og")).find("disabled group"), std::string::npos);
  EXPECT_NE(report_of(tree.template_root()).find("template log"), std::string::npos);
}

TEST_F(ReportTest, ReportFileChoice) {
  const store::Tree tree = scan();
  auto path = write_report(tree, tree.root(), ReportMode::kText, env());
  ASSERT_TRUE(path);
  EXPECT_EQ(*path, base() + "result.html");
  options.save_result_file = 1;
  path = write_report(tree, tree.root(), ReportMode::kText, env());
  ASSERT_TRUE(path);
  EXPECT_NE(path->find("/result/result-2023111"), std::string::npos);
  EXPECT_TRUE(is_regular_file(*path));
  // A file in the way of the folder: the user is told and nothing is written.
  remove_tree(base() + "result");
  write_file_atomic(base() + "result", "x");
  std::vector<std::string> told;
  ReportEnv e = env();
  e.message = [&](std::string_view t, std::string_view title) {
    told.push_back(std::string(t) + "|" + std::string(title));
  };
  EXPECT_FALSE(write_report(tree, tree.root(), ReportMode::kText, e));
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0], sj("フォルダを作成できません|Kestrelscanエラー"));
}

TEST(PaneHtml, EscapesKeepsBlanksAndDropsSettingsLinks) {
  BufferedPane pane;
  pane.begin();
  pane.write_text("  a  <b>&\r\n");
  pane.write_link("site", "http://s/");
  pane.write_text(" ");
  pane.write_link(sj("▽"), item_settings_target(7));
  pane.end();
  const app_options::Options o;
  const std::string html = pane_as_html(pane, o, 1700000000);
  const std::string head = report_head(o, ReportMode::kText, 1700000000);
  EXPECT_EQ(html.substr(head.size(), html.size() - head.size() - report_tail(o).size()),
            "&nbsp; a &nbsp;&lt;b&gt;&amp;<br>\n<a href=\"http://s/\">site</a> ");
  EXPECT_EQ(pane_html_file_name(0).size(), 20u);
}

TEST(History, ListKeepsOrderLimitAndLookups) {
  HistoryList list = HistoryList::parse("t1\nhttp://1/\n\nhttp://skip/\nt2\r\nhttp://2/\r\n");
  ASSERT_EQ(list.entries().size(), 2u);
  EXPECT_EQ(list.entries()[1].url, "http://2/");
  EXPECT_FALSE(list.changed());
  list.add("http://2/", "again");
  EXPECT_EQ(list.entries()[0].url, "http://2/");
  EXPECT_EQ(list.entries()[0].title, "again");
  EXPECT_EQ(list.entries().size(), 2u);
  EXPECT_TRUE(list.changed());
  for (int i = 0; i < 150; ++i) list.add("http://n/" + std::to_string(i), "t\r\nx");
  EXPECT_EQ(list.entries().size(), kHistoryMax);
  EXPECT_TRUE(list.is_opened("http://n/149"));
  EXPECT_FALSE(list.is_opened("http://1/"));
  const HistoryList back = HistoryList::parse(list.serialize());
  EXPECT_EQ(back.entries().size(), kHistoryMax);
  EXPECT_EQ(back.entries()[0].title, "t  x");

  test::TempDir dir;
  EXPECT_TRUE(list.save(dir.path()));
  EXPECT_FALSE(list.changed());
  EXPECT_EQ(HistoryList::load(dir.path()).entries().size(), kHistoryMax);
}

TEST(History, TwoLinksOnOneDayShareOnePage) {
  test::TempDir dir;
  const std::string base = dir.path() + "/";
  const HistoryLink heading{"http://site/", "Site"};
  ASSERT_TRUE(write_history_entry(base, {"http://site/a", "A<1>"}, heading, 1700000000));
  ASSERT_TRUE(write_history_entry(base, heading, heading, 1700000100));
  const auto files = scan_dir(base + "history");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].name.rfind("history-2023-11-1", 0), 0u);
  const std::string page = read_file(base + "history/" + files[0].name).value_or("");
  EXPECT_EQ(count(page, "</body></html>"), 1u);
  EXPECT_EQ(page.substr(page.size() - 15), "</body></html>\n");
  EXPECT_NE(page.find("<a href=\"http://site/a\">A&lt;1&gt;</a>&nbsp;&nbsp;" + sj("【") +
                      "<a href=\"http://site/\">Site</a>" + sj("】") + "<br>\n"),
            std::string::npos);
  EXPECT_NE(page.find("<a href=\"http://site/\">Site</a><br>\n</body></html>\n"),
            std::string::npos);
  EXPECT_NE(page.find(sj("<title>Kestrelscan履歴 (2023/11/1")), std::string::npos);
}

}  // namespace
}  // namespace ks::present
