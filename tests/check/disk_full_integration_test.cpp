// A full disk in the middle of a check, on a small file system made for the
// test (tmpfs; the test is skipped where it cannot mount one): the item ends
// with an error recorded, its previous text stays the baseline, result.db
// and the logs stay whole, and once there is room again the change is
// reported exactly once.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/statvfs.h>

#include <string>

#include "check_fixture.h"
#include "compare/result_record.h"
#include "net/net_test_util.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace ks::test {
namespace {

constexpr const char* kFileSystemSize = "size=8m";

std::string page_text(const std::string& version) {
  std::string body = "<html><body>";
  for (int i = 0; i < 4000; ++i) {
    body += "<p>line " + std::to_string(i) + " of version " + version + "</p>\n";
  }
  return body + "</body></html>";
}

std::string gzip_answer(const std::string& body) {
  const std::string z = net::test::gzip_bytes(body);
  return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Encoding: gzip\r\n"
         "Content-Length: " +
         std::to_string(z.size()) + "\r\n\r\n" + z;
}

class DiskFull : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = dir_.file("fs");
    ASSERT_TRUE(make_dirs(home_));
    if (::mount("tmpfs", home_.c_str(), "tmpfs", 0, kFileSystemSize) != 0) {
      GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    }
    mounted_ = true;
    home_ += "/";
    ASSERT_EQ(cli({"add", server_.url("/p"), "--name", "page"}).status, 0);
    folder_ = home_ + "data/page.dat";
  }
  void TearDown() override {
    if (mounted_) ::umount2(dir_.file("fs").c_str(), MNT_DETACH);
  }

  CliRun cli(const std::vector<std::string>& args) { return run_cli(KS_CLI_PATH, home_, args); }

  // Fills the file system until `room` bytes are left.
  void fill_leaving(std::size_t room) {
    struct statvfs st {};
    ASSERT_EQ(::statvfs(home_.c_str(), &st), 0);
    const std::size_t free = static_cast<std::size_t>(st.f_bavail) * st.f_frsize;
    ASSERT_GT(free, room);
    ASSERT_TRUE(write_file_atomic(home_ + "filler", std::string(free - room, 'x')));
  }
  void make_room() { ASSERT_TRUE(remove_file(home_ + "filler")); }

  struct Baseline {
    std::string result, log, html;
  };
  Baseline baseline() {
    const int n = compare::read_current_log_number(folder_);
    return {read_file(compare::result_path(folder_)).value_or("?"),
            read_file(compare::numbered_log_path(folder_, "log", n)).value_or("?"),
            read_file(compare::text_path(folder_, "html")).value_or("?")};
  }
  void expect_baseline_kept(const Baseline& before) {
    const int n = compare::read_current_log_number(folder_);
    EXPECT_EQ(read_file(compare::numbered_log_path(folder_, "log", n)).value_or("!"), before.log);
    EXPECT_EQ(read_file(compare::text_path(folder_, "html")).value_or("!"), before.html);
  }

  struct Server {
    ScriptedServer s;
    std::string url(const std::string& path) const {
      return "http://127.0.0.1:" + std::to_string(s.port()) + path;
    }
  } server_;
  TempDir dir_;
  std::string home_;
  std::string folder_;
  bool mounted_ = false;
};

TEST_F(DiskFull, DuringConversion) {
  server_.s.on("/p", ScriptedResponse::whole(gzip_answer(page_text("one"))));
  ASSERT_EQ(cli({"check"}).status, 0);
  const Baseline before = baseline();
  // The compressed answer fits; the text it inflates to does not.
  server_.s.on("/p", ScriptedResponse::whole(gzip_answer(page_text("two"))));
  fill_leaving(96 * 1024);
  CliRun r = cli({"check"});
  EXPECT_NE(r.out.find("エラーが 1 件ありました。"), std::string::npos) << r.out << r.err;
  EXPECT_EQ(r.out.find("件の更新がありました"), std::string::npos) << r.out;
  EXPECT_EQ(compare::read_result_code(folder_), compare::kResultSystemError);
  expect_baseline_kept(before);
  EXPECT_FALSE(path_exists(compare::text_path(folder_, "new")));

  make_room();
  r = cli({"check"});
  EXPECT_NE(r.out.find("1 件の更新がありました。"), std::string::npos) << r.out << r.err;
  r = cli({"check"});
  EXPECT_EQ(r.out.find("件の更新がありました"), std::string::npos) << r.out;
}

TEST_F(DiskFull, DuringTransfer) {
  server_.s.on("/p", ScriptedResponse::whole(html_answer(page_text("one"))));
  ASSERT_EQ(cli({"check"}).status, 0);
  const Baseline before = baseline();
  server_.s.on("/p", ScriptedResponse::whole(html_answer(page_text("two"))));
  fill_leaving(64 * 1024);
  CliRun r = cli({"check"});
  EXPECT_NE(r.out.find("エラーが 1 件ありました。"), std::string::npos) << r.out << r.err;
  EXPECT_TRUE(compare::is_error_code(compare::read_result_code(folder_)));
  expect_baseline_kept(before);
  EXPECT_FALSE(path_exists(compare::text_path(folder_, "htmltmp")));

  make_room();
  r = cli({"check"});
  EXPECT_NE(r.out.find("1 件の更新がありました。"), std::string::npos) << r.out << r.err;
}

}  // namespace
}  // namespace ks::test
