// kestrelscan-cli check from the outside: output, summary line last, exit
// status, and the data-folder lock against a second checker.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/data_folder_lock.h"
#include "check_fixture.h"
#include "platform/fs.h"

namespace ks::test {
namespace {

struct CliResult {
  int status = -1;
  std::string out;
};

CliResult run_cli(const std::string& home, const std::string& args) {
  const std::string cmd = std::string(KS_CLI_PATH) + " --home '" + home + "' " + args + " 2>&1";
  CliResult r;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int st = ::pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

std::string last_line(const std::string& text) {
  std::string t = text;
  while (!t.empty() && t.back() == '\n') t.pop_back();
  const auto at = t.rfind('\n');
  return at == std::string::npos ? t : t.substr(at + 1);
}

class CliCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!path_exists(KS_CLI_PATH)) GTEST_SKIP() << "kestrelscan-cli is not built";
  }
};

TEST_F(CliCheck, RunsAndEndsWithTheSummary) {
  CheckBench b;
  b.server.on("/p", ScriptedResponse::whole(html_answer(page_of({"hello"}))));
  b.server.on("/gone", ScriptedResponse::whole("HTTP/1.1 404 Not Found\r\n\r\n"));
  ASSERT_EQ(run_cli(b.app.app(), "add " + b.url("/p") + " --name page").status, 0);
  ASSERT_EQ(run_cli(b.app.app(), "add " + b.url("/gone") + " --name gone").status, 0);

  CliResult r = run_cli(b.app.app(), "check");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("page"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("HTTP/1.1 404 Not Found"), std::string::npos) << r.out;
  EXPECT_EQ(last_line(r.out), "更新はありません。 エラーが 1 件ありました。") << r.out;

  b.server.on("/p", ScriptedResponse::whole(html_answer(page_of({"hello", "news today"}))));
  r = run_cli(b.app.app(), "check page");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("news today"), std::string::npos) << r.out;
  EXPECT_EQ(last_line(r.out), "1 件の更新がありました。") << r.out;

  EXPECT_EQ(run_cli(b.app.app(), "check --kind nonsense").status, 2);
  EXPECT_EQ(run_cli(b.app.app(), "check no/such/item").status, 1);
}

TEST_F(CliCheck, SecondCheckerOnTheSameDataFolderIsRefused) {
  CheckBench b;
  app::DataFolderLock held;
  ASSERT_EQ(held.acquire(b.app.app(), "a test"), app::DataFolderLock::Result::kLocked);
  CliResult r = run_cli(b.app.app(), "check");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("in use by a test (process " + std::to_string(::getpid()) + ")"),
            std::string::npos)
      << r.out;
}

}  // namespace
}  // namespace ks::test
