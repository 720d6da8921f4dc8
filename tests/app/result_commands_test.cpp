// The result commands of the real kestrelscan-cli against a temporary
// application folder: report, export and import, import-links, open, find and
// search-logs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "compare/result_record.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace ks {
namespace {

using test::CliRun;

// Never a real browser: BROWSER names a recorder, or nothing that exists.
CliRun cli(const std::string& home, const std::vector<std::string>& args,
           const std::string& browser = "") {
  return test::run_cli(KS_CLI_PATH, home, args,
                       {{{"BROWSER", browser.empty() ? "/nonexistent/browser" : browser}}});
}

class ResultCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!is_regular_file(KS_CLI_PATH)) GTEST_SKIP() << "kestrelscan-cli is not built";
  }
  CliRun run(const std::vector<std::string>& args, const std::string& browser = "") {
    return cli(home, args, browser);
  }
  // An item folder (UTF-8 relative path) with an updated result and its log.
  void updated(const std::string& rel, const std::string& add_log) {
    const std::string folder = utf8_to_sjis(home + "/data/" + rel);
    EXPECT_TRUE(compare::write_result(folder, compare::kResultChanged, ""));
    EXPECT_TRUE(compare::write_current_log_number(folder, 0));
    write_file_atomic(folder + "/add0.txt", utf8_to_sjis(add_log));
  }
  test::TempDir dir;
  std::string home = dir.path();
};

TEST_F(ResultCommands, ReportSearchAndFind) {
  ASSERT_EQ(run({"group", "ニュース"}).status, 0);
  ASSERT_EQ(run({"add", "http://n.test/", "--name", "速報", "--group", "ニュース"}).status, 0);
  ASSERT_EQ(run({"add", "http://q.test/", "--name", "静か"}).status, 0);
  updated("ニュース.grp/速報.dat", "新しいニュース\r\n");

  const CliRun report = run({"report"});
  ASSERT_EQ(report.status, 0) << report.err;
  EXPECT_EQ(report.out, home + "/result.html\n");
  const std::string html = sjis_to_utf8(read_file(home + "/result.html").value_or(""));
  EXPECT_NE(html.find("<a href=\"http://n.test/\">速報</a>"), std::string::npos);
  EXPECT_NE(html.find("新しいニュース<br>"), std::string::npos);
  EXPECT_EQ(html.find("静か"), std::string::npos);
  EXPECT_EQ(run({"report", "--images", "-o", home + "/img.html", "ニュース"}).status, 0);
  EXPECT_TRUE(is_regular_file(home + "/img.html"));
  EXPECT_EQ(run({"report", "--bogus"}).status, 2);

  const CliRun hit = run({"search-logs", "ﾆｭｰｽ"});
  EXPECT_EQ(hit.status, 0);
  // The item's headline is the result display's (no time, the item named by
  // its path), then each hit line.
  EXPECT_EQ(hit.out, "======== ニュース/速報 ======== ( )\n新しいニュース\n");
  const CliRun miss = run({"search-logs", "無い", "静か"});
  EXPECT_EQ(miss.status, 1);
  EXPECT_EQ(miss.out, "");
  EXPECT_EQ(miss.err, "kestrelscan-cli: 「無い」は見つかりませんでした。\n");

  const CliRun found = run({"find", "--url", "q.test"});
  EXPECT_EQ(found.status, 0);
  EXPECT_EQ(found.out, "静か\n");
  const CliRun recent = run({"find", "--within", "1", "hours"});
  EXPECT_EQ(recent.out.substr(recent.out.find(':')), ":ニュース/速報\n");
  EXPECT_EQ(run({"find"}).status, 2);
  EXPECT_EQ(run({"find", "--within", "100", "days"}).status, 2);
  EXPECT_EQ(run({"find", "--within", "1", "weeks"}).status, 2);
}

TEST_F(ResultCommands, ExportImportAndLinkFolders) {
  ASSERT_EQ(run({"group", "ニュース"}).status, 0);
  ASSERT_EQ(run({"add", "http://n.test/", "--name", "速報", "--group", "ニュース"}).status, 0);
  ASSERT_EQ(run({"export", home + "/bm.html"}).status, 0);
  const std::string bm = read_file(home + "/bm.html").value_or("");
  EXPECT_NE(bm.find("<DT><A HREF=\"http://n.test/\">速報</A>"), std::string::npos);

  const CliRun imported = run({"import", home + "/bm.html"});
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_EQ(imported.out, "ブックマークのインポート完了(1件)\n");
  EXPECT_EQ(run({"get", "インポートされたブックマーク/ニュース/速報", "URL"}).out,
            "URL=http://n.test/\n");
  write_file_atomic(home + "/plain.html", "<html></html>");
  EXPECT_EQ(run({"import", home + "/plain.html"}).status, 1);

  make_dirs(home + "/links/sub");
  write_file_atomic(home + "/links/sub/doc.url", "[InternetShortcut]\r\nURL=http://d.test/\r\n");
  const CliRun links = run({"import-links", home + "/links", "--name", "リンク"});
  ASSERT_EQ(links.status, 0) << links.err;
  EXPECT_EQ(run({"get", "リンク/sub/doc", "URL"}).out, "URL=http://d.test/\n");
  EXPECT_EQ(run({"import-links", home + "/missing"}).status, 1);
}

TEST_F(ResultCommands, OpenUsesTheBrowserOfTheEnvironment) {
  ASSERT_EQ(run({"add", "http://o.test/a b", "--name", "頁"}).status, 0);
  const std::string script = home + "/browser.sh";
  const std::string out = home + "/opened.txt";
  write_file_atomic(script,
                    "#!/bin/sh\necho \"$1\" > " + out + ".tmp\nmv " + out + ".tmp " + out + "\n");
  ::chmod(script.c_str(), 0755);
  EXPECT_EQ(run({"open", "頁"}, script).status, 0);
  for (int i = 0; i < 600 && !path_exists(out); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(read_file(out).value_or(""), "http://o.test/a%20b\n");
  const CliRun failed = run({"open", "頁"});
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.err.find("ブラウザを起動できません"), std::string::npos);
  EXPECT_EQ(run({"open", "無い"}).status, 1);
}

}  // namespace
}  // namespace ks
