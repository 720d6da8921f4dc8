#include "check/webdriver_fetch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <condition_variable>
#include <mutex>
#include <variant>

#include "check/run.h"
#include "platform/fs.h"
#include "platform/profile.h"
#include "platform/sjis.h"
#include "store/page_settings_io.h"
#include "store/tree_scan.h"
#include "support/fake_driver.h"
#include "support/temp_dir.h"

namespace ks::check {
namespace {

using test::FakeDriver;
using test::TempDir;

class WaitingHost : public RunEventSink {
 public:
  void post(RunEvent e) override {
    std::lock_guard lock(mutex_);
    if (auto* item = std::get_if<ItemFinished>(&e.body)) {
      results.push_back(item->result_code);
      messages.push_back(item->message);
    } else if (std::holds_alternative<RunEnded>(e.body)) {
      ended_ = true;
      cv_.notify_all();
    }
  }
  bool wait(int seconds) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, std::chrono::seconds(seconds), [this] { return ended_; });
  }
  std::vector<int> results;
  std::vector<std::string> messages;

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool ended_ = false;
};

// A data folder with one item per URL, all fetched through the driver.
struct DriverRun {
  TempDir dir;
  std::string base = dir.path() + "/";
  store::Tree tree;
  std::vector<std::string> items;

  explicit DriverRun(const std::vector<std::string>& urls) {
    for (std::size_t i = 0; i < urls.size(); ++i) {
      const std::string folder = base + "data/page" + std::to_string(i) + ".dat";
      make_dirs(folder);
      store::PageSettings s = store::default_page_settings();
      s.url = urls[i];
      s.use_script = 2;
      EXPECT_TRUE(write_page_settings(folder, s));
      items.push_back(folder);
    }
    store::scan_tree_from_disk(tree, base);
  }

  // Runs a check of the whole tree; false when it did not end in time.
  bool run(FetchMethods& methods, WaitingHost& host) {
    CheckRun run(tree, host, nullptr, methods);
    RunConfig c;
    c.start = tree.root();
    c.base_folder = base;
    c.timeout = 30;
    c.net.timeout_seconds = 30;
    if (!run.start(c)) return false;
    const bool ended = host.wait(120);
    run.wait();
    return ended;
  }
};

TEST(WebDriverFetchMethod, ChecksItemsThroughTheDriverAndClosesAtTheEnd) {
  FakeDriver driver;
  ASSERT_TRUE(driver.ok());
  driver.set_source([](int) {
    return "<html><head><meta charset=\\\"Shift_JIS\\\"></head><body><p>\\u65e5\\u672c "
           "built</p></body></html>";
  });
  DriverRun r({"http://127.0.0.1:1/a", "http://127.0.0.1:1/b"});
  net::WebDriverConfig c;
  c.command = {"/bin/sh", "-c", "exec sleep 120"};
  c.session_body = "{}";
  c.work_folder = r.dir.file("work");
  make_dirs(c.work_folder);
  c.port_base = driver.port_base();
  auto method = std::make_shared<WebDriverFetch>(c);
  FetchMethods methods;
  methods.set(kUseScriptBrowserDriver, method);
  WaitingHost host;
  ASSERT_TRUE(r.run(methods, host));
  for (const std::string& item : r.items) {
    // Decoded as UTF-8 whatever the page's own declaration said.
    // (the converted new.txt is kept as the item's first log once the check ends)
    const std::string text = read_file(path_join(item, "log1.txt")).value_or("");
    EXPECT_NE(text.find(KS_SJ("日本 built")), std::string::npos) << sjis_to_utf8(text);
  }
  // The coordinator closed the slots once the workers had ended.
  EXPECT_EQ(driver.count("DELETE", ""), driver.count("POST", "/session"));
  EXPECT_GE(driver.count("DELETE", ""), 1u);
}

TEST(WebDriverFetchMethod, FailureIsTheDriverErrorWithoutRetry) {
  DriverRun r({"http://127.0.0.1:1/a"});
  net::WebDriverConfig c;  // no driver program
  c.work_folder = r.dir.file("work");
  auto method = std::make_shared<WebDriverFetch>(c);
  FetchMethods methods;
  methods.set(kUseScriptBrowserDriver, method);
  WaitingHost host;
  ASSERT_TRUE(r.run(methods, host));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(host.messages[0].find(KS_SJ("Webdriverエラー")), std::string::npos)
      << sjis_to_utf8(host.messages[0]);
  EXPECT_FALSE(method->retries());
  EXPECT_FALSE(method->needs_lookup());
}

TEST(WebDriverFetchMethod, Configuration) {
  TempDir dir;
  store::Folders folders;
  folders.app = dir.path() + "/";
  folders.work = dir.file("temp");
  folders.work_utf8 = folders.work;

  const std::string chromium = default_session_body("/usr/bin/chromedriver", false);
  EXPECT_NE(chromium.find("\"--headless\""), std::string::npos);
  EXPECT_NE(chromium.find("\"--incognito\""), std::string::npos);
  EXPECT_NE(chromium.find("\"--disable-background-networking\""), std::string::npos);
  EXPECT_NE(chromium.find("\"--user-data-dir=%s/Session%u\""), std::string::npos);
  EXPECT_NE(chromium.find("\"profile.managed_default_content_settings.images\": 2"),
            std::string::npos);
  EXPECT_EQ(chromium.find("--no-sandbox"), std::string::npos);
  EXPECT_NE(default_session_body("chromedriver", true).find("\"--no-sandbox\""), std::string::npos);
  EXPECT_NE(default_session_body("/opt/msedgedriver", false).find("ms:edgeOptions"),
            std::string::npos);

  // A driver in the application folder wins; a named one is used as named.
  const std::string local = path_join(folders.app, "chromedriver");
  write_file_atomic(local, "#!/bin/sh\n");
  EXPECT_NE(find_driver_program(folders.app, ""), to_os_path(local));  // not executable yet
  ::chmod(to_os_path(local).c_str(), 0755);
  EXPECT_EQ(find_driver_program(folders.app, ""), to_os_path(local));
  EXPECT_EQ(find_driver_program(folders.app, "/no/such/driver"), "");

  const std::string ini = path_join(folders.app, kWebDriverFile);
  profile_write_string(ini, kWebDriverSection, "SESSION_BODY", "{\"x\": \"%s/%u\"}");
  profile_write_string(ini, kWebDriverSection, "PORT_BASE", "41000");
  net::WebDriverConfig c = webdriver_config(folders, 12);
  ASSERT_EQ(c.command.size(), 1u);
  EXPECT_EQ(c.command[0], to_os_path(local));
  EXPECT_EQ(c.session_body, "{\"x\": \"%s/%u\"}");
  EXPECT_EQ(c.port_base, 41000);
  EXPECT_EQ(c.timeout_seconds, 12);
  EXPECT_EQ(c.work_folder, folders.work);

  profile_write_string(ini, kWebDriverSection, "DRIVER", "/no/such/driver");
  profile_write_string(ini, kWebDriverSection, "PORT_BASE", "70000");
  c = webdriver_config(folders, 30);
  EXPECT_TRUE(c.command.empty());
  EXPECT_EQ(c.port_base, net::kDriverPortBase);
}

}  // namespace
}  // namespace ks::check
