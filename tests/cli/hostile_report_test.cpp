// Hostile pages met in the HTML report and when opening pages: only http,
// https, ftp, file and relative URLs become links, no page markup runs in the
// report, and no address reaches a browser where it could read as an option.
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "hostile_fixture.h"

namespace ks::test {
namespace {

using HostileReport = HostileTest;

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

TEST_F(HostileReport, OnlySafeUrlsBecomeLinksAndNoMarkupRuns) {
  add("javascript:alert(0)", "p");
  ASSERT_TRUE(write_file_atomic(item_file("p", "result.db"),
                                "[RESULT]\r\nCODE=3\r\n[INDEX]\r\nCURRENT=1\r\n"));
  ASSERT_TRUE(write_file_atomic(
      item_file("p", "add1.txt"),
      "<a href=\"javascript:alert(1)\">j</a> <a href=\" JaVa&#x09;Script:x\">k</a>\r\n"
      "<img src=\"data:text/html,x\" alt=\"d\"> <a href='vbscript:y'>v</a>\r\n"
      "<a href=\"http://ok/\">ok</a> <a href=\"rel.html\">rel</a> <b onclick=\"z()\">b</b>\r\n"
      "X-Header: <script>alert(2)</script><iframe src=\"http://ok/\">\r\n"));
  const std::string out = home() + "/r.html";
  ASSERT_EQ(cli({"report", "-o", out}).status, 0);
  const std::string html = lower(read_file(out).value_or(""));
  for (const char* bad : {"javascript:", "vbscript:", "data:", "<script", "<iframe", "onclick"}) {
    EXPECT_EQ(html.find(bad), std::string::npos) << bad << " in " << html;
  }
  EXPECT_NE(html.find("<a href=\"http://ok/\">ok</a>"), std::string::npos) << html;
  EXPECT_NE(html.find("<a href=\"rel.html\">rel</a>"), std::string::npos) << html;
  EXPECT_NE(html.find("<b>b</b>"), std::string::npos) << html;
  EXPECT_NE(html.find("&lt;script&gt;"), std::string::npos) << html;  // shown as text
}

TEST_F(HostileReport, OpenHandsOnNoAddressThatReadsAsAnOption) {
  TempDir tools;
  // Named like a browser that ends its options at "--".
  const std::string browser = tools.file("chromium");
  const std::string args = tools.file("args");
  ASSERT_TRUE(write_file_atomic(browser, "#!/bin/sh\nprintf '%s\\n' \"$@\" >> " + args + "\n"));
  ASSERT_EQ(::chmod(browser.c_str(), 0755), 0);
  const CliEnv env{{{"BROWSER", browser}}, 0};
  add("http://ok/", "ok");
  add("http://x/", "opt");
  ASSERT_EQ(cli({"set", "opt", "URL=--renderer-cmd-prefix=/bin/touch"}).status, 0);
  EXPECT_EQ(cli({"open", "opt"}, env).status, 1);
  EXPECT_EQ(cli({"open", "ok"}, env).status, 0);
  std::string got;
  for (int i = 0; i < 200 && (got = read_file(args).value_or("")).empty(); ++i) ::usleep(20000);
  EXPECT_EQ(got, "--\nhttp://ok/\n");
}

}  // namespace
}  // namespace ks::test
