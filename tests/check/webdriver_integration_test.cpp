// The browser-driver fetch method with the real chromedriver and chromium,
// on loopback only: a page whose text is written by a script after load is
// checked, and no driver or browser process is left afterwards.
#include <dirent.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>
#include <variant>

#include "check/run.h"
#include "check/webdriver_fetch.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "store/page_settings_io.h"
#include "store/tree_scan.h"
#include "support/fake_driver.h"
#include "support/peers.h"
#include "support/scripted_server.h"
#include "support/temp_dir.h"

namespace ks::check {
namespace {

using test::TempDir;

class EndHost : public RunEventSink {
 public:
  void post(RunEvent e) override {
    std::lock_guard lock(mutex_);
    if (auto* item = std::get_if<ItemFinished>(&e.body)) {
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
  std::vector<std::string> messages;

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool ended_ = false;
};

// Processes whose command line mentions `needle`, with their proportional
// memory (PSS, KB: shared pages divided among their users).
std::vector<std::pair<int, long>> processes_mentioning(const std::string& needle) {
  std::vector<std::pair<int, long>> out;
  DIR* proc = ::opendir("/proc");
  if (!proc) return out;
  while (dirent* e = ::readdir(proc)) {
    const int pid = std::atoi(e->d_name);
    if (pid <= 0) continue;
    const std::string base = std::string("/proc/") + e->d_name;
    const std::string cmd = read_file(base + "/cmdline").value_or("");
    if (cmd.find(needle) == std::string::npos) continue;
    long rss = 0;
    const std::string status = read_file(base + "/smaps_rollup").value_or("");
    const std::size_t at = status.find("\nPss:");
    if (at != std::string::npos) rss = std::atol(status.c_str() + at + 5);
    out.emplace_back(pid, rss);
  }
  ::closedir(proc);
  return out;
}

struct RealDriver {
  std::string chromedriver = test::find_program({"chromedriver"});
  std::string chromium = test::find_program({"chromium", "chromium-browser"});
  bool ok() const { return !chromedriver.empty() && !chromium.empty(); }
};

const char kPage[] =
    "<html><head><meta charset=\"Shift_JIS\"><title>t</title></head><body>"
    "<p id=\"x\">static text</p>"
    "<script>window.addEventListener('load', function () {"
    " document.getElementById('x').textContent = 'built by script ' + (6 * 7) + ' \\u65e5\\u672c';"
    "});</script></body></html>";

std::string page_response() {
  const std::string body = kPage;
  return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

net::WebDriverConfig real_config(const RealDriver& real, const std::string& app,
                                 const std::string& work) {
  store::Folders folders;
  folders.app = app;
  folders.work = work;
  folders.work_utf8 = work;
  net::WebDriverConfig c = webdriver_config(folders, 60);
  c.command = {real.chromedriver};
  c.port_base = test::free_port_run(net::kDriverSlots);
  return c;
}

TEST(WebDriverIntegration, ScriptBuiltTextIsCheckedAndNothingIsLeftRunning) {
  RealDriver real;
  if (!real.ok()) GTEST_SKIP() << "chromedriver or chromium is not installed";
  TempDir dir;
  test::ScriptedServer server;
  ASSERT_TRUE(server.ok());
  server.on("/page.html", test::ScriptedResponse::whole(page_response()));
  const std::string base = dir.path() + "/";
  const std::string item = base + "data/page.dat";
  make_dirs(item);
  store::PageSettings s = store::default_page_settings();
  s.url = "http://127.0.0.1:" + std::to_string(server.port()) + "/page.html";
  s.use_script = 2;
  ASSERT_TRUE(write_page_settings(item, s));
  store::Tree tree;
  store::scan_tree_from_disk(tree, base);
  const std::string work = dir.file("temp");
  make_dirs(work);

  const net::WebDriverConfig config = real_config(real, base, work);
  ASSERT_NE(config.port_base, 0);
  FetchMethods methods;
  methods.set(kUseScriptBrowserDriver, std::make_shared<WebDriverFetch>(config));
  EndHost host;
  CheckRun run(tree, host, nullptr, methods);
  RunConfig rc;
  rc.start = tree.root();
  rc.base_folder = base;
  rc.timeout = 60;
  rc.net.timeout_seconds = 60;
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(run.start(rc));
  ASSERT_TRUE(host.wait(180));
  run.wait();
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - started);
  std::printf("one item through a fresh driver and browser: %lld ms\n",
              static_cast<long long>(took.count()));

  ASSERT_EQ(host.messages.size(), 1u);
  const std::string text = read_file(path_join(item, "log1.txt")).value_or("");
  EXPECT_NE(text.find(KS_SJ("built by script 42 日本")), std::string::npos)
      << sjis_to_utf8(host.messages[0]) << "\n"
      << sjis_to_utf8(text);
  EXPECT_EQ(text.find("static text"), std::string::npos);

  // The run ended its drivers and their browsers.
  EXPECT_TRUE(processes_mentioning(work).empty());
  EXPECT_TRUE(processes_mentioning("--port=" + std::to_string(config.port_base)).empty());
}

// Not a check of speed (nothing is asserted about it): prints the start-up
// of a driver with its browser, the fetch of a page on a running slot, and
// the peak memory of all drivers and browsers, for the record.
TEST(WebDriverIntegration, StartUpFetchTimeAndMemory) {
  RealDriver real;
  if (!real.ok()) GTEST_SKIP() << "chromedriver or chromium is not installed";
  TempDir dir;
  test::ScriptedServer server;
  ASSERT_TRUE(server.ok());
  server.on("/page.html", test::ScriptedResponse::whole(page_response()));
  const std::string work = dir.file("temp");
  make_dirs(work);
  const std::string item = dir.file("item");
  make_dirs(item);
  net::DriverPool pool(real_config(real, dir.path() + "/", work));

  std::atomic<bool> sampling{true};
  std::atomic<long> peak_kb{0};
  std::thread sampler([&] {
    while (sampling) {
      std::map<int, long> seen;
      for (const auto& p : processes_mentioning(work)) seen[p.first] = p.second;
      for (int i = 0; i < net::kDriverSlots; ++i) {
        for (const auto& p :
             processes_mentioning("--port=" + std::to_string(pool.config().port_base + i))) {
          seen[p.first] = p.second;
        }
      }
      long sum = 0;
      for (const auto& [pid, kb] : seen) sum += kb;
      if (sum > peak_kb) peak_kb = sum;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  });
  net::DriverFetch f;
  f.url = "http://127.0.0.1:" + std::to_string(server.port()) + "/page.html";
  f.item_folder = item;
  f.response_path = path_join(item, "htmltmp.txt");
  std::vector<long long> ms;
  for (int i = 0; i < 6; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(pool.fetch(f), net::DriverFetchResult::kOk) << i;
    ms.push_back(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0)
            .count());
  }
  const auto t0 = std::chrono::steady_clock::now();
  pool.close_slots();
  const auto close_ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0)
          .count();
  sampling = false;
  sampler.join();
  EXPECT_NE(read_file(f.response_path).value_or("").find("built by script 42"), std::string::npos);
  std::printf("fetches 1-4 (each starts a slot's driver and browser): %lld %lld %lld %lld ms\n",
              ms[0], ms[1], ms[2], ms[3]);
  std::printf("fetches 5-6 (running slots reused): %lld %lld ms\n", ms[4], ms[5]);
  std::printf("closing four slots: %lld ms; peak memory (PSS) of drivers and browsers: %ld MB\n",
              static_cast<long long>(close_ms), peak_kb.load() / 1024);
  EXPECT_TRUE(processes_mentioning(work).empty());
}

}  // namespace
}  // namespace ks::check
