// Shared ground for the shell's QtTest suites: a temporary application
// folder with items that point at the scripted local server, the global
// options written before start-up, and the real core and window started on
// that folder in this process.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/application.h"
#include "app/options/options.h"
#include "shell/main_window.h"
#include "store/page_settings.h"
#include "support/app_folder.h"
#include "support/scripted_server.h"

namespace ks::test {

// "HTTP/1.1 200 OK" with an HTML page of one paragraph per line.
std::string page_answer(const std::vector<std::string>& paragraphs);

class GuiBench {
 public:
  GuiBench();
  ~GuiBench();

  std::string url(const std::string& path) const;
  // Writes an item folder `rel` ("g.grp/a.dat") with its URL.
  std::string add_item(const std::string& rel, const std::string& item_url,
                       const std::function<void(store::PageSettings&)>& tweak = {});
  // Writes kestrelscan.ini from the defaults changed by `tweak`.
  void set_options(const std::function<void(app_options::Options&)>& tweak);

  // Starts the core (holding the data folder) and builds the window.
  void start();
  // Closes the window the way the user does and waits until it is gone.
  bool close_and_wait(int timeout_ms);
  // Drops the window and the core (the next start() begins afresh).
  void stop();

  // Starts a check of `kind` over `node` (the root by default) and waits
  // for its end; false when it did not end in time.
  bool check(store::NodeId node = store::kNoNode, int command = 32778, int timeout_ms = 60000);

  app::Application& core() { return *core_; }
  gui::MainWindow& window() { return *window_; }
  store::NodeId node(const std::string& display_path_utf8) const;
  // The text of a result tab (Unicode).
  QString pane_text(int tab);

  AppFolder folder;
  ScriptedServer server;

 private:
  std::unique_ptr<app::Application> core_;
  std::unique_ptr<gui::MainWindow> window_;
};

}  // namespace ks::test
