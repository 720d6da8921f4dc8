// The browser-component method's configuration, and what a user sees when
// no browser can be found: `about` says so, and an item with USE_SCRIPT 1
// fails at once with network error 1000, tried once.
#include "check/browser_component_fetch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "check/webdriver_fetch.h"
#include "check_fixture.h"
#include "platform/profile.h"
#include "support/cli_runner.h"

namespace ks::test {
namespace {

bool has(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

TEST(BrowserComponentConfig, ReadsTheBrowserAndExtraArgumentsBesideTheDriverSettings) {
  AppFolder app;
  store::Folders f;
  ASSERT_TRUE(store::prepare_app_folders(app.app(), f));
  const std::string ini = path_join(app.app(), check::kWebDriverFile);
  ASSERT_TRUE(profile_write_string(ini, check::kBrowserComponentSection, "BROWSER", "/bin/sh"));
  ASSERT_TRUE(profile_write_string(ini, check::kBrowserComponentSection, "EXTRA_ARGS",
                                   " --proxy-server=127.0.0.1:1  --lang=ja"));
  const net::BrowserComponentConfig c = check::browser_component_config(f, 7);
  ASSERT_GE(c.command.size(), 3u);
  EXPECT_EQ(c.command.front(), "/bin/sh");
  EXPECT_EQ(c.command[c.command.size() - 2], "--proxy-server=127.0.0.1:1");
  EXPECT_EQ(c.command.back(), "--lang=ja");
  EXPECT_TRUE(has(c.command, "--remote-debugging-pipe"));
  EXPECT_EQ(c.limits.command_ms, 7000);
  EXPECT_EQ(c.work_folder, f.work);

  EXPECT_TRUE(has(check::browser_arguments(true), "--no-sandbox"));
  EXPECT_FALSE(has(check::browser_arguments(false), "--no-sandbox"));
  EXPECT_TRUE(has(check::browser_arguments(false), "--blink-settings=imagesEnabled=false"));
}

TEST(BrowserComponentFetch, WithoutABrowserAboutSaysSoAndItemsFailAtOnceWith1000) {
  if (!path_exists(KS_CLI_PATH)) GTEST_SKIP() << "kestrelscan-cli is not built";
  CheckBench b;
  const std::string home = b.app.app();
  ASSERT_TRUE(profile_write_string(path_join(home, check::kWebDriverFile),
                                   check::kBrowserComponentSection, "BROWSER", "no-such-browser"));
  CliRun r = run_cli(KS_CLI_PATH, home, {"about"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("ブラウザコンポーネント : 使用できません"), std::string::npos) << r.out;

  ASSERT_EQ(run_cli(KS_CLI_PATH, home, {"add", b.url("/p"), "--name", "p"}).status, 0);
  ASSERT_EQ(run_cli(KS_CLI_PATH, home, {"set", "p", "USE_SCRIPT=1"}).status, 0);
  const auto t0 = std::chrono::steady_clock::now();
  r = run_cli(KS_CLI_PATH, home, {"check"});
  const auto took = std::chrono::steady_clock::now() - t0;
  EXPECT_EQ(r.status, 3) << r.err;  // the run ended, with an item in error
  EXPECT_NE(r.out.find("IEコンポーネントエラー"), std::string::npos) << r.out;
  EXPECT_LT(took, std::chrono::seconds(10));
  EXPECT_EQ(b.server.requests().size(), 0u);  // nothing was fetched, nothing retried
}

}  // namespace
}  // namespace ks::test
