// The application core: what every front end (kestrelscan-cli, the desktop
// app) starts and ends through, so no front end can run with a half-set-up
// core.
//
// start() brings the core up in this order:
//   1. the application folder (--home, $KESTRELSCAN_HOME, portable, XDG) and
//      the work folder;
//   2. the global options (kestrelscan.ini);
//   3. the base, data and template folders;
//   4. the data-folder lock, when the front end changes the data folder
//      (Access::kChange): one process changes a data folder at a time;
//   5. today's statistics;
//   6. the TLS library (its available flag), the password cipher's key
//      schedule, the comparison slots and the browser-number table, the
//      regular-expression library, the browser-driver and browser-component
//      configuration (the fetch methods of a check run);
//   7. the tree (treecache.tmp, tree.db or the folders) and the template
//      table.
// release() (also run by the destructor) goes down in this order: the
// statistics saved (when they changed), the TLS library unloaded, the
// comparison slots released, the regular-expression library unloaded, the
// work folder cleaned (only by the process that holds the lock: another
// process may be using it), the lock released.
//
// Threads: start(), release() and every accessor run on the front end's
// main (UI) thread. While a check run goes on, the tree belongs to the run:
// read or change it only under the run's tree lock (check/run.h).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/data_folder_lock.h"
#include "app/options/options.h"
#include "app/options/statistics.h"
#include "check/check_session.h"
#include "check/fetch_method.h"
#include "check/run_events.h"
#include "store/folders.h"
#include "store/startup.h"
#include "store/templates.h"
#include "store/tree.h"

namespace ks::app {

// Whether the front end changes the data folder.
enum class Access {
  kRead,    // reads only: never waits for or takes the lock
  kChange,  // takes the data-folder lock for the life of the Application
};

struct StartOptions {
  std::optional<std::string> home;  // --home DIR (an OS path, UTF-8)
  Access access = Access::kRead;
  // Who holds the lock, as other processes are told ("check", "set",
  // "desktop app", ...).
  std::string holder = "kestrelscan-cli";
  bool load_tree = true;
};

struct StartError {
  enum class Kind { kNone, kNoAppFolder, kWorkFolder, kLocked, kLockFailed };
  Kind kind = Kind::kNone;
  std::string message;               // UTF-8, one line, for the user
  std::optional<LockHolder> holder;  // kLocked: who holds the data folder
};

class Application {
 public:
  // Starts the core; nullptr with `error` filled when it cannot.
  static std::unique_ptr<Application> start(const StartOptions& options, StartError& error);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Goes down in order (see above). Idempotent.
  void release();

  const std::string& app_folder() const { return folders_.app; }
  const store::Folders& folders() const { return folders_; }
  app_options::Options& options() { return options_; }
  const app_options::Options& options() const { return options_; }
  app_options::Statistics& statistics() { return statistics_; }
  // Running totals since this process started ("今回" of the statistics
  // page): run time, pages started, bytes received, links opened. Not saved.
  app_options::Statistics& session_totals() { return session_totals_; }
  store::Tree& tree() { return tree_; }
  const store::Tree& tree() const { return tree_; }
  store::TemplateTable& templates() { return templates_; }
  const store::StartupTree& startup_tree() const { return startup_; }
  store::TemplateApplier template_applier() const;
  bool owns_data_folder() const { return lock_.held(); }

  // The fetch methods of check runs (own engine, browser component, browser
  // driver), set up at start-up.
  const check::FetchMethods& fetch_methods() const { return *methods_; }

  // A check session over this core's tree, reporting to `sink`, composing
  // displays with the result display (present/run_display.h). The session
  // must not outlive the Application; `sink` must outlive the session.
  std::unique_ptr<check::CheckSession> make_session(check::RunEventSink& sink);

  // Rebuilds the tree from disk (after another process changed it, or the
  // repair command).
  void reload_tree();
  // Writes treecache.tmp for the next start (the desktop app at exit).
  bool save_tree_cache() const;

  // Availability of the optional parts, for the about box and the CLI.
  bool tls_available() const;
  bool regex_available() const;

 private:
  Application() = default;

  store::Folders folders_;
  app_options::Options options_;
  app_options::Statistics statistics_;
  app_options::Statistics statistics_loaded_;  // to save only what changed
  app_options::Statistics session_totals_;
  DataFolderLock lock_;
  store::Tree tree_;
  store::TemplateTable templates_;
  store::StartupTree startup_;
  std::unique_ptr<check::FetchMethods> methods_;
  bool released_ = false;
};

}  // namespace ks::app
