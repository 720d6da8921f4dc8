// The real kestrelscan-cli on a temporary application folder, for the tests
// of hostile servers, pages and files: items are added through the CLI,
// files of item folders are read and planted directly (ASCII names). Every
// CLI run is bounded (a hang fails in seconds) and a sanitizer report on its
// stderr fails the test (support/cli_runner.h).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fs.h"
#include "support/cli_runner.h"
#include "support/scripted_server.h"
#include "support/temp_dir.h"

namespace ks::test {

class HostileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // One attempt, the shortest wait: the hostile cases fail on purpose.
    ASSERT_EQ(cli({"options", "RETRY=0", "TIMEOUT=5"}).status, 0);
  }

  CliRun cli(const std::vector<std::string>& args, CliEnv env = {}) {
    if (env.timeout_ms == 0) env.timeout_ms = 120000;
    CliRun r = run_cli(KS_CLI_PATH, home(), args, env);
    EXPECT_FALSE(r.timed_out) << "kestrelscan-cli hung: " << args.at(0);
    return r;
  }
  // An item at the top of the tree (its folder is data/NAME.dat).
  void add(const std::string& url, const std::string& name) {
    const CliRun r = cli({"add", url, "--name", name});
    ASSERT_EQ(r.status, 0) << r.err;
  }
  const std::string& home() const { return dir_.path(); }
  std::string data() const { return home() + "/data"; }
  std::string item_file(const std::string& item, const std::string& file) const {
    return data() + "/" + item + ".dat/" + file;
  }
  std::string item_text(const std::string& item, const std::string& file) const {
    return read_file(item_file(item, file)).value_or("<none>");
  }
  static std::string url(const ScriptedServer& s, const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(s.port()) + path;
  }
  static std::string html_answer(const std::string& body, const std::string& headers = "") {
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n" + headers + "\r\n" + body;
  }

 private:
  TempDir dir_;
};

}  // namespace ks::test
