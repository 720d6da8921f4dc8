// The glue between the window and the core's check runs. The controller
// owns the event queue for its whole life and one check session, made at
// the first run and renewed when the options change (a session composes
// with the options it was made with); the
// workers post events into the queue, and the queue's wake-up schedules a
// drain on the UI thread (a queued call on this object), where the events
// are handed to the RunView one by one. Events of any run other than the
// current one are dropped. The UI thread never waits on a worker: stopping
// only raises flags, and the run still ends through its RunEnded event.
//
// Lifetime: the session is destroyed before the queue, and this object
// outlives both, so a worker's wake-up always reaches a live object.
// Threads: everything but the queue's wake-up runs on the UI thread.
#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>
#include <memory>

#include "check/check_session.h"
#include "check/run_events.h"

namespace ks::app {
class Application;
}

namespace ks::gui {

// What the window does with a run's events (UI thread).
class RunView {
 public:
  virtual ~RunView() = default;
  virtual void item_finished(const check::ItemFinished& item) = 0;
  virtual void redirect_shown(const check::RedirectShown& notice) = 0;
  virtual void status_text(const std::string& sjis) = 0;
  virtual void run_ended(const check::RunEnded& ended) = 0;
};

class RunController : public QObject {
  Q_OBJECT

 public:
  RunController(app::Application& app, RunView& view, QObject* parent = nullptr);
  ~RunController() override;

  // Starts a run of `kind` over `node` with the application's options.
  // False when a run is going on or the node is unknown.
  bool start(store::NodeId node, check::CheckKind kind);
  // The options changed: the next run gets a session made with them (the
  // options sheet calls this after it applied a page). Not during a run.
  void renew_session();
  void stop();
  // The application is closing: stop, and show nothing more.
  void request_exit();
  bool running() const { return session_ && session_->running(); }
  bool stop_requested() const { return session_ && session_->run().stop_requested(); }
  // After RunEnded: the summary and the decisions.
  check::RunCompletion complete(bool minimized);

  // The run's task slots (the task monitor); null before the first run.
  const check::CheckRun* run() const { return session_ ? &session_->run() : nullptr; }
  // The run's tree lock (to read the core's tree while a run goes on).
  std::mutex* tree_lock() { return session_ ? &session_->run().tree_lock() : nullptr; }

 private:
  Q_INVOKABLE void drain();

  app::Application& app_;
  RunView& view_;
  std::atomic<bool> drain_scheduled_{false};
  // Declared before the session: the session (and its workers) go first.
  std::unique_ptr<check::RunEventQueue> queue_;
  std::unique_ptr<check::CheckSession> session_;
  uint64_t current_run_ = 0;
};

}  // namespace ks::gui
