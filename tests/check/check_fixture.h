// A check run over a temporary application folder against the scripted
// server: items are written as folders with their site.db, the tree is
// scanned from the folders, and a recording host keeps what the run showed.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

#include "app/options/options.h"
#include "check/check_session.h"
#include "check/run_composer.h"
#include "check/run_events.h"
#include "compare/log_files.h"
#include "platform/fs.h"
#include "store/page_settings_io.h"
#include "store/tree.h"
#include "store/tree_scan.h"
#include "support/app_folder.h"
#include "support/scripted_server.h"

namespace ks::test {

struct Shown {
  std::string name;
  int code = 0;
  std::string message;
  int tab = 0;
  int overflow = 0;
  std::string add_text;  // the item's added lines when it was shown
  std::chrono::steady_clock::time_point at;
};

// Takes a run's events and composes its displays as records: `shown` holds
// every item the run decided to show (with its add.txt at that moment).
class RecordingHost : public check::RunEventSink, public check::RunComposer {
 public:
  check::DisplayValue compose_outcome(const check::TaskRecord& t,
                                      const check::RunTabs& tabs) override {
    Shown s;
    s.name = t.settings.name;
    s.code = t.result_code;
    s.message = t.message;
    s.tab = t.result_code == 3 || t.result_code == 0 ? tabs.change_tab : tabs.message_tab;
    s.overflow = t.redirect_overflow;
    const std::string& folder = t.settings.folder_path;
    s.add_text = read_file(t.lines_log < 0 ? compare::text_path(folder, "add")
                                           : compare::numbered_log_path(folder, "add", t.lines_log))
                     .value_or("");
    s.at = std::chrono::steady_clock::now();
    std::lock_guard lock(mutex_);
    shown_.push_back(s);
    return nullptr;
  }
  check::DisplayValue compose_redirect(const check::TaskRecord&, std::string_view,
                                       const check::RunTabs&) override {
    return nullptr;
  }
  void post(check::RunEvent e) override {
    std::lock_guard lock(mutex_);
    if (auto* item = std::get_if<check::ItemFinished>(&e.body)) {
      finished_.push_back(*item);
    } else if (auto* notice = std::get_if<check::RedirectShown>(&e.body)) {
      redirects_.push_back(notice->target);
    } else if (auto* text = std::get_if<check::StatusText>(&e.body)) {
      status_.push_back(text->text);
    } else if (auto* ended = std::get_if<check::RunEnded>(&e.body)) {
      ended_ += 1;
      counters_ = ended->counters;
      cv_.notify_all();
    }
  }

  bool wait_ended(int count, int timeout_ms) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                        [&] { return ended_ >= count; });
  }
  std::vector<Shown> shown() const {
    std::lock_guard lock(mutex_);
    return shown_;
  }
  std::vector<check::ItemFinished> finished() const {
    std::lock_guard lock(mutex_);
    return finished_;
  }
  std::vector<std::string> redirects() const {
    std::lock_guard lock(mutex_);
    return redirects_;
  }
  std::vector<std::string> status() const {
    std::lock_guard lock(mutex_);
    return status_;
  }
  void clear() {
    std::lock_guard lock(mutex_);
    shown_.clear();
    finished_.clear();
    redirects_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<Shown> shown_;
  std::vector<check::ItemFinished> finished_;
  std::vector<std::string> redirects_;
  std::vector<std::string> status_;
  int ended_ = 0;
  check::RunCounters counters_;
};

// An HTTP/1.1 200 answer with an HTML body.
inline std::string html_answer(const std::string& body) {
  return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

inline std::string page_of(const std::vector<std::string>& paragraphs) {
  std::string b = "<html><body>";
  for (const auto& p : paragraphs) b += "<p>" + p + "</p>\n";
  return b + "</body></html>";
}

class CheckBench {
 public:
  CheckBench() { options.max_connection = 32; }

  std::string url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(server.port()) + path;
  }

  // Writes an item folder `rel` ("g.grp/a.dat") with its URL; returns its folder.
  std::string add_item(const std::string& rel, const std::string& item_url,
                       const std::function<void(store::PageSettings&)>& tweak = {}) {
    const std::string folder = app.make_dir(rel);
    store::PageSettings rec = store::default_page_settings();
    rec.url = item_url;
    if (tweak) tweak(rec);
    EXPECT_TRUE(store::write_page_settings(folder, rec));
    return folder;
  }

  void scan() { store::scan_tree_from_disk(tree, app.app()); }

  store::NodeId node(const std::string& display_path) const { return tree.resolve(display_path); }

  // Runs a check of `kind` over `start` (the root by default) to its end.
  // Items are converted and compared `convert_slots` at a time (more than
  // one even on a machine with one core, so the tests see the stage run in
  // parallel), with the run's spare files in the work folder.
  check::RunCompletion run(store::NodeId start = store::kNoNode,
                           check::CheckKind kind = check::CheckKind::kSelected,
                           const std::function<void()>& while_running = {}) {
    if (start == store::kNoNode) start = tree.root();
    ++runs_;
    check::RunConfig config = check::RunConfig::from_options(options);
    config.check_kind = kind;
    config.start = start;
    config.base_folder = app.app();
    config.convert_slots = convert_slots;
    config.work_folder = app.app() + "temp";
    make_dirs(config.work_folder);
    if (!session.start(config, options)) return {};
    if (while_running) while_running();
    const bool ended = host.wait_ended(runs_, 120000);
    EXPECT_TRUE(ended) << "the run did not end within two minutes";
    return session.complete();
  }

  AppFolder app;
  ScriptedServer server;
  store::Tree tree;
  RecordingHost host;
  check::FetchMethods methods;
  app_options::Options options;
  int convert_slots = 4;
  check::CheckSession session{tree, host, &host, methods};

 private:
  int runs_ = 0;
};

}  // namespace ks::test
