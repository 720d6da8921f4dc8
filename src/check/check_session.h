// The front end's side of check runs: starting a run of a check kind over
// the selected node, stopping it, and what follows its end: the summary
// texts, the day's statistics, and the decisions a front end acts on (play
// the notification sound, open the report, restore the window, show the
// finish message, close). A front end owns one session for its life and
// calls it from its own (UI) thread; the run reports its end with the
// RunEnded event (check/run_events.h), after which the front end calls
// complete() — also from its RunEnded handler, and it may start the next
// run right after.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/options/options.h"
#include "app/options/statistics.h"
#include "check/fetch_method.h"
#include "check/run.h"
#include "check/run_composer.h"
#include "check/run_events.h"
#include "store/tree.h"

namespace ks::check {

struct RunCompletion {
  bool closing = false;  // the application is closing: nothing below applies
  bool stopped = false;  // the run was stopped
  RunCounters counters;
  std::string first_text;   // "… 件の更新がありました。" and the like (Shift_JIS)
  std::string second_text;  // "エラーが … 件ありました。", empty without errors
  std::string status_line;  // what the status bar shows
  std::string sound_file;   // play this file (empty: no sound)
  bool open_report = false;
  bool restore_window = false;  // only when the front end said it is minimized
  bool show_finish_message = false;
  std::string finish_message;  // caption "Kestrelscan"
  bool close_application = false;
};

// The summary texts of a run's counters.
std::string summary_first_text(const RunCounters& c);
std::string summary_second_text(const RunCounters& c);

// The statistics of a run just ended, added to the day's counters.
void add_run_statistics(app_options::Statistics& stats, int64_t run_seconds, int sites,
                        int64_t received_bytes);

class CheckSession {
 public:
  // `tree`, `sink`, `composer` (may be null) and `methods` must outlive the
  // session.
  CheckSession(store::Tree& tree, RunEventSink& sink, RunComposer* composer,
               const FetchMethods& methods, store::TemplateApplier apply_template = {},
               net::Resolver* resolver = nullptr);
  // The same with a composer the session owns (it outlives the run).
  CheckSession(store::Tree& tree, RunEventSink& sink, std::unique_ptr<RunComposer> composer,
               const FetchMethods& methods, store::TemplateApplier apply_template = {});
  CheckSession(const CheckSession&) = delete;
  CheckSession& operator=(const CheckSession&) = delete;

  // The day's statistics the runs add to: the session's own, or the
  // application's after use_statistics() (which must outlive the session).
  app_options::Statistics& statistics() { return *stats_; }
  void use_statistics(app_options::Statistics& stats) { stats_ = &stats; }
  // The work folder runs keep their spare files in (RunConfig::work_folder).
  void use_work_folder(std::string folder) { work_folder_ = std::move(folder); }
  // Running totals for the life of the process (never saved, never reset
  // at midnight); every run adds to them as to the day's. Must outlive the
  // session.
  void use_session_totals(app_options::Statistics& totals) { totals_ = &totals; }

  // Starts a run of `kind` over `selected`, with the global options and the
  // base folder (ends in '/'). False when a run is going on or the node is
  // unknown.
  bool start(store::NodeId selected, CheckKind kind, const app_options::Options& options,
             const std::string& base_folder);
  bool start(RunConfig config, const app_options::Options& options);
  void stop();
  void request_exit();
  bool running() const { return run_.running(); }

  // After RunEnded: waits for the coordinator, adds the statistics and
  // gives the summary and the decisions. `minimized`: the main window is
  // minimized (for the restore rule).
  RunCompletion complete(bool minimized = false);

  CheckRun& run() { return run_; }
  const CheckRun& run() const { return run_; }

 private:
  std::unique_ptr<RunComposer> own_composer_;  // before run_: destroyed after it
  CheckRun run_;
  app_options::Statistics own_stats_;
  app_options::Statistics* stats_ = &own_stats_;
  app_options::Statistics* totals_ = nullptr;
  app_options::Options options_;  // the options the run started with
  std::string work_folder_;
  int64_t start_time_ = 0;
  int64_t received_before_ = 0;
  bool stop_requested_ = false;
};

}  // namespace ks::check
