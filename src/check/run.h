// One check run: the coordinator thread and its workers. Each worker takes
// the next item from the shared walk and carries it through the stages:
// name lookup, admission to a connection, transfer spacing, fetch (with
// retries and redirects), conversion, comparison, display and the result.
// Stages that must not overlap are guarded by the run's stage locks: the tree
// (walk, busy flags, node marks), the name lookup, the connection table and
// the transfer spacing. Conversion and comparison admit one item per
// processor core (RunConfig::convert_slots): they are the stage that keeps a
// core busy, and different items share nothing there but the comparison's
// matrix slots, which have their own lock. A worker never holds two stage
// locks at once.
//
// The front end starts a run, may stop it (abort flag) or ask it to end for
// closing (exit flag). The run reports through its RunEventSink
// (check/run_events.h): one event per finished item, redirect notices, and
// RunEnded once every worker has ended. No worker waits for the front end,
// and stopping or destroying a run waits only for the run's own threads.
// While a run is going on the tree must be read or changed only under
// tree_lock().
//
// Threads: start(), stop(), request_exit(), wait() and the destructor are
// called by the front end's thread (never by a worker or from inside
// RunEventSink::post()); the accessors may be called from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "app/options/options.h"
#include "check/connection_table.h"
#include "check/fetch_method.h"
#include "check/item_walk.h"
#include "check/run_composer.h"
#include "check/run_events.h"
#include "check/stage_slots.h"
#include "check/task.h"
#include "compare/result_record.h"
#include "net/net_config.h"
#include "net/resolver.h"
#include "platform/spare_files.h"
#include "store/tree.h"

namespace ks::check {

struct RunConfig {
  CheckKind check_kind = CheckKind::kSelected;
  store::NodeId start = store::kNoNode;  // the selected node
  std::string base_folder;               // ends in '/'
  ItemSet only_items;                    // kScheduled: the items due

  int retry = 1;
  int timeout = 30;
  int max_connection = 4;
  int tx_interval_ms = 0;
  int n_reload = 3;
  bool disp_http_redirect = false;
  bool use_site_priority = false;
  bool nochange_msg = true;
  net::NetConfig net;
  // Items converted and compared at the same time; 0: one per processor
  // core. KESTRELSCAN_CONVERT_SLOTS (1..32) in the environment sets it for
  // from_options(), for benchmarks and tests (1 is the one-at-a-time stage).
  int convert_slots = 0;
  // The work folder (Shift_JIS, without a final '/'): the run keeps its
  // spare files there (platform/spare_files.h). Empty: no spare files.
  std::string work_folder;

  // The run's settings from the global options (the selection and the
  // folder are the caller's).
  static RunConfig from_options(const app_options::Options& options);
};

class CheckRun {
 public:
  // `tree`, `sink`, `composer` and `methods` must outlive the run.
  // `composer` null: nothing is composed (events carry no display).
  // `resolver` null: the system's name lookup.
  CheckRun(store::Tree& tree, RunEventSink& sink, RunComposer* composer,
           const FetchMethods& methods, store::TemplateApplier apply_template = {},
           net::Resolver* resolver = nullptr);
  ~CheckRun();  // stops and waits for a run still going on
  CheckRun(const CheckRun&) = delete;
  CheckRun& operator=(const CheckRun&) = delete;

  // Clears the task table, the counters and the flags and starts the
  // coordinator. False when a run is already going on.
  bool start(const RunConfig& config);
  // The stop command: every worker ends at its next checkpoint, leaving its
  // item unfinished.
  void stop() { abort_.store(true, std::memory_order_relaxed); }
  // The application is closing: stop, and show nothing more.
  void request_exit() {
    exit_.store(true, std::memory_order_relaxed);
    stop();
  }
  // Waits for the coordinator. After RunEnded was posted this returns at
  // once; before it, it waits for the workers (stop first to make it short).
  void wait();
  bool running() const { return running_.load(); }
  bool stop_requested() const { return abort_.load(std::memory_order_relaxed); }
  bool exit_requested() const { return exit_.load(std::memory_order_relaxed); }

  const TaskTable& tasks() const { return tasks_; }
  RunCounters counters() const;
  // Items that started their first hop (the day's NUM_SITES).
  int sites() const { return sites_.load(); }
  int worker_count() const { return worker_count_.load(); }
  RunTabs tabs() const { return tabs_; }
  // The id of the current (or last) run; events carry it.
  uint64_t run_id() const { return run_id_.load(); }
  std::mutex& tree_lock() { return tree_lock_; }
  int peak_admitted() const { return connections_.peak_admitted(); }

 private:
  struct Worker;
  void coordinate();
  void work(int slot);
  // Carries one item; false when the worker must end (stop or exit).
  bool carry(Worker& w);
  bool fetch_hop(Worker& w, const net::RequestTarget& target, FetchMethod& method);
  void show_redirect(Worker& w);
  // Whether a finished item's outcome is shown, and its display.
  bool shown(const TaskRecord& t, bool network_failure) const;
  DisplayValue compose(const TaskRecord& t);
  bool convert(Worker& w);
  void compare(Worker& w);
  compare::StoredResult& stored_result(Worker& w);
  void finish(Worker& w);
  void wait_spacing();
  void set_state(Worker& w, TaskState state);
  void post(RunEvent::Body body);
  bool aborted() const { return abort_.load(std::memory_order_relaxed); }
  bool exiting() const { return exit_.load(std::memory_order_relaxed); }
  net::StopFlags stop_flags() const { return {&abort_, &exit_}; }

  store::Tree& tree_;
  RunEventSink& sink_;
  RunComposer* composer_;
  const FetchMethods& methods_;
  store::TemplateApplier apply_template_;
  std::unique_ptr<net::Resolver> own_resolver_;
  net::Resolver* resolver_;

  RunConfig config_;
  RunTabs tabs_;
  std::unique_ptr<ItemWalk> walk_;
  TaskTable tasks_;
  ConnectionTable connections_;

  // Stage locks.
  std::mutex tree_lock_;
  std::mutex lookup_lock_;
  StageSlots convert_slots_;
  // The run's spare files (from start to the end of the coordinator).
  std::unique_ptr<SpareFiles> spares_;
  std::mutex spacing_lock_;

  // Transfer spacing state, under spacing_lock_.
  bool first_transfer_ = true;
  int64_t last_transfer_ms_ = 0;

  std::atomic<bool> abort_{false};
  std::atomic<bool> exit_{false};
  std::atomic<bool> running_{false};
  std::atomic<uint64_t> run_id_{0};
  std::atomic<int> started_{0};
  std::atomic<int> finished_{0};
  std::atomic<int> updated_{0};
  std::atomic<int> errors_{0};
  std::atomic<int> sites_{0};
  std::atomic<int> worker_count_{0};
  std::thread coordinator_;
};

}  // namespace ks::check
