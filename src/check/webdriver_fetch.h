// The browser-driver fetch method (USE_SCRIPT 2) and its configuration.
//
// The driver is configured in "webdriver.ini" in the application folder,
// section [WebDriver]; every key is optional:
//   DRIVER=       the driver program: a path, or a name looked up in the
//                 application folder and then on PATH. Default: the first of
//                 chromedriver and msedgedriver found that way.
//   SESSION_BODY= the new-session body sent to the driver; "%s" stands for
//                 the work folder (JSON-escaped), "%u" for the slot's port,
//                 "%%" for a percent sign. Default: default_session_body().
//   PORT_BASE=    the first slot's port (default 50000; slots use 4 ports).
// A driver that cannot be found fails every fetch at once with network
// error 2000; nothing waits for it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "check/fetch_method.h"
#include "net/webdriver.h"
#include "store/folders.h"

namespace ks::check {

inline constexpr const char* kWebDriverFile = "webdriver.ini";
inline constexpr const char* kWebDriverSection = "WebDriver";

// The driver program for `name_or_path` (empty: the default names): a name
// with a '/' is taken as a path; otherwise the application folder, then each
// PATH folder. Empty when nothing executable is found. UTF-8 OS path.
std::string find_driver_program(std::string_view app_folder, std::string_view name_or_path);

// The default new-session body for the driver program at `driver_path`: for
// msedgedriver, Edge in InPrivate mode; otherwise Chromium. Both are headless,
// private, without images and disk cache, with their own profile folder
// "Session" + port below the work folder. Chromium is also kept from every
// background lookup (this program's pages are the only traffic), and runs
// without its sandbox when this process runs as root, where it refuses to
// start otherwise.
std::string default_session_body(std::string_view driver_path, bool as_root);

// The pool's configuration for a run from the folders, webdriver.ini and TIMEOUT.
net::WebDriverConfig webdriver_config(const store::Folders& folders, int timeout_seconds);

class WebDriverFetch : public FetchMethod {
 public:
  explicit WebDriverFetch(net::WebDriverConfig config) : pool_(std::move(config)) {}
  bool needs_lookup() const override { return false; }
  bool retries() const override { return false; }
  int failure_code() const override;
  FetchOutcome fetch(const FetchRequest& request) override;
  // Closes every slot: sessions deleted, drivers and browsers ended.
  void end_run() override { pool_.close_slots(); }

  net::DriverPool& pool() { return pool_; }

 private:
  net::DriverPool pool_;
};

// The method for a run (what a front end plugs in for USE_SCRIPT 2).
std::shared_ptr<WebDriverFetch> make_webdriver_fetch(const store::Folders& folders,
                                                     int timeout_seconds);

}  // namespace ks::check
