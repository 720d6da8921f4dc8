// The browser behind the browser-component fetch: one headless browser
// process per run, driven over its DevTools pipe, shared by every fetch of
// the run (each fetch works in a browser context of its own, browser_page.h).
//
// The browser is started by the first fetch that needs it, in a process
// group of its own, with the work folder as its temporary folder and a
// profile folder of its own below the work folder. A browser that has gone
// away is replaced by the next fetch. close() ends the run: the browser is
// asked to close, then its group is terminated and, after a grace period,
// killed; it is reaped and its profile folder removed. A browser that went
// away during the run is cleaned up the same way by the last fetch that
// used it.
//
// fetch() may run on several threads at once; close() must not overlap
// fetches (the run calls it after its workers have ended).
#pragma once

#include <sys/types.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "net/browser_page.h"
#include "net/devtools_message.h"

namespace ks::net {

struct BrowserComponentConfig {
  // The browser program (a path) and its arguments, without the profile
  // folder. Empty: no browser was found, and every fetch fails at once.
  std::vector<std::string> command;
  std::string work_folder;  // core path
  std::size_t max_message = kDevToolsMessageMax;
  PageFetchLimits limits;
  int close_ms = 3000;      // how long the browser may take to close when asked
  int end_grace_ms = 3000;  // then how long after SIGTERM before SIGKILL
};

class BrowserComponent {
 public:
  explicit BrowserComponent(BrowserComponentConfig config) : config_(std::move(config)) {}
  ~BrowserComponent() { close(); }
  BrowserComponent(const BrowserComponent&) = delete;
  BrowserComponent& operator=(const BrowserComponent&) = delete;

  PageFetchResult fetch(const PageFetch& request);
  // The end of a run (see the top of this file).
  void close();

  const BrowserComponentConfig& config() const { return config_; }
  // Browser processes started so far, and the running one's process id (-1
  // when none), for tests and the task monitor.
  int browsers_started() const;
  pid_t browser_pid() const;

 private:
  struct Browser;
  std::shared_ptr<Browser> running_browser();
  std::shared_ptr<Browser> start_browser();

  BrowserComponentConfig config_;
  mutable std::mutex mutex_;
  std::shared_ptr<Browser> current_;  // guarded by mutex_
  int started_ = 0;                   // guarded by mutex_
};

// The first line a browser program prints for "--version" ("Chromium 1.2.3
// ..."), waiting at most `timeout_ms`; empty when it prints nothing.
std::string browser_version_text(const std::string& program, int timeout_ms = 5000);

}  // namespace ks::net
