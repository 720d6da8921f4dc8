// kestrelscan-cli convert: a preview of what a page turns into.
#include <gtest/gtest.h>

#include "platform/fs.h"
#include "platform/sjis.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace ks {
namespace {

class ConvertCommand : public ::testing::Test {
 protected:
  test::CliRun convert(std::vector<std::string> args) {
    args.insert(args.begin(), "convert");
    return test::run_cli(KS_CLI_PATH, dir.path(), args);
  }
  std::string page(const std::string& name, const std::string& bytes) {
    std::string path = dir.file(name);
    EXPECT_TRUE(write_file_atomic(path, bytes));
    return path;
  }
  test::TempDir dir;
};

TEST_F(ConvertCommand, BodyAloneGivesTheTextInUtf8) {
  auto r = convert({page("p.html", "<p>" + utf8_to_sjis("日本語") + "</p><p>b</p>")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("日本語"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find('\r'), std::string::npos);
}

TEST_F(ConvertCommand, RawInternalOutputOfAResponseIsExactlyNewTxt) {
  std::string response =
      "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=EUC-JP\r\n"
      "Last-Modified: Mon, 07 Dec 2026 10:00:00 GMT\r\nTransfer-Encoding: chunked\r\n\r\n";
  std::string body = "<p>\xC6\xFC\xCB\xDC</p>";  // "日本" in EUC-JP
  char size[16];
  std::snprintf(size, sizeof size, "%zx\r\n", body.size());
  response += size + body + "\r\n0\r\n\r\n";
  auto r = convert({"--raw", "--internal", page("r.txt", response)});
  ASSERT_EQ(r.status, 0) << r.err;
  // The header line first (the Last-Modified line), then the text, CR LF, Shift_JIS.
  EXPECT_EQ(r.out.rfind("Last-Modified: Mon, 07 Dec 2026 10:00:00 GMT\r\n", 0), 0u) << r.out;
  EXPECT_NE(r.out.find(utf8_to_sjis("日本")), std::string::npos);
}

TEST_F(ConvertCommand, AnUndeclaredPageThatOnlyLooksLikeUtf8ReadsAsDetectionMakesIt) {
  // UTF-8 text, then a Shift_JIS declaration: the page is read as UTF-8 on a
  // guess, then again the long way, and the declaration holds from there on.
  std::string response =
      "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n<p>日本</p>"
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\"><p>" +
      utf8_to_sjis("本文") + "</p>";
  auto r = convert({"--raw", "--internal", page("r.txt", response)});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "\r\n\r\n日本\r\n" + utf8_to_sjis("本文") + "\r\n");
}

TEST_F(ConvertCommand, BadInputIsAClearError) {
  auto missing = convert({dir.file("nope.html")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_FALSE(missing.err.empty());
  auto bad_key = convert({"--set", "NO_SUCH_KEY=1", page("q.html", "x")});
  EXPECT_EQ(bad_key.status, 2);
  EXPECT_FALSE(bad_key.err.empty());
  auto none = convert({});
  EXPECT_EQ(none.status, 2);
}

}  // namespace
}  // namespace ks
