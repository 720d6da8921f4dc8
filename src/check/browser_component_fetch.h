// The browser-component fetch method (USE_SCRIPT 1) and its configuration.
//
// The browser is configured beside the browser driver, in "webdriver.ini" in
// the application folder, section [BrowserComponent]; every key is optional:
//   BROWSER=     the browser program: a path, or a name looked up in the
//                application folder and then on PATH. Default: the first of
//                chromium, chromium-browser and google-chrome found that way.
//   EXTRA_ARGS=  more browser arguments, separated by spaces, put after
//                browser_arguments() (a proxy server, say).
// Without a browser the method is unavailable: every fetch fails at once
// with network error 1000, and the about texts say so.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "check/fetch_method.h"
#include "net/browser_component.h"
#include "store/folders.h"

namespace ks::check {

inline constexpr const char* kBrowserComponentSection = "BrowserComponent";

// The browser program for `name_or_path` (empty: the default names), as
// find_driver_program() looks programs up. Empty when none is found.
std::string find_browser_program(std::string_view app_folder, std::string_view name_or_path);

// The arguments the browser is started with (after the program, before the
// profile folder): headless, driven over the DevTools pipe, no first-run
// steps, no background traffic of its own, no images; without its sandbox
// when this process runs as root, where it refuses to start otherwise.
std::vector<std::string> browser_arguments(bool as_root);

// The configuration for a run from the folders, webdriver.ini and TIMEOUT.
net::BrowserComponentConfig browser_component_config(const store::Folders& folders,
                                                     int timeout_seconds);

class BrowserComponentFetch : public FetchMethod {
 public:
  explicit BrowserComponentFetch(net::BrowserComponentConfig config)
      : browser_(std::move(config)) {}
  bool needs_lookup() const override { return false; }
  bool retries() const override { return false; }
  int failure_code() const override;
  FetchOutcome fetch(const FetchRequest& request) override;
  // Closes the browser of the run.
  void end_run() override { browser_.close(); }

  net::BrowserComponent& browser() { return browser_; }

 private:
  net::BrowserComponent browser_;
};

// The method for a run (what a front end plugs in for USE_SCRIPT 1).
std::shared_ptr<BrowserComponentFetch> make_browser_component_fetch(const store::Folders& folders,
                                                                    int timeout_seconds);

// Whether the method can be offered, for the about texts.
struct BrowserComponentInfo {
  std::string program;  // the browser found (UTF-8 OS path); empty: unavailable
  std::string version;  // its version text; empty when not asked or not told
  bool available() const { return !program.empty(); }
};
// Looks the browser up; with `ask_version` also runs it once for its version
// (a fraction of a second).
BrowserComponentInfo browser_component_info(const store::Folders& folders, bool ask_version);
// The about box's line (Shift_JIS, CR LF ended): the browser's version, or
// that the method is unavailable.
std::string browser_component_line(const BrowserComponentInfo& info);

}  // namespace ks::check
