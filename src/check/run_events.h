// The channel from a check run to the front end that runs it: values only,
// never pointers into worker state, and no worker ever waits for the front
// end.
//
// What travels:
//   ItemFinished  one per finished item (quiet ones too: unchanged, not
//                 modified, errors), after its result is recorded and its
//                 tree node marked, with the node's new tag and, when the
//                 item is to be shown, its display already composed;
//   RedirectShown a hop that ended in a redirect (DISP_HTTP_REDIRECT);
//   StatusText    a status bar text (Shift_JIS);
//   RunEnded      last, once, after every worker has ended and the fetch
//                 methods have closed what they kept for the run.
// An item left unfinished by a stop produces no event.
//
// Threads: workers and the coordinator call RunEventSink::post(); it must
// not block on the front end (a queue push is fine). The front end takes
// the events on its own thread (the CLI's main thread, the GUI's UI thread)
// and applies them there; it may start the next run from its RunEnded
// handler. Every event carries the id of its run, so a front end can drop
// events of a run it no longer shows.
//
// A composed display is a DisplayBatch: an opaque value made on the worker
// by the front end's RunComposer (check/run_composer.h) and read back by
// the same front end, which knows its concrete type.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>

#include "store/tree.h"

namespace ks::check {

// The result tabs of a run: changes go to the change tab, everything else to
// the message tab. A run over a group uses tabs 0 ("一括ログ") and 1
// ("エラー"); a single item or template uses tab 2 ("個別ログ") for both.
inline constexpr int kTabAll = 0;
inline constexpr int kTabErrors = 1;
inline constexpr int kTabSingle = 2;

struct RunTabs {
  int change_tab = kTabAll;
  int message_tab = kTabErrors;
};

// The counters of a run.
struct RunCounters {
  int started = 0;   // items taken from the walk
  int finished = 0;  // items whose result was recorded
  int updated = 0;
  int errors = 0;
};

// A composed display; see the file comment.
class DisplayBatch {
 public:
  virtual ~DisplayBatch() = default;
};
using DisplayValue = std::shared_ptr<const DisplayBatch>;

struct ItemFinished {
  int slot = 0;
  store::NodeId node = store::kNoNode;
  uint32_t tag = 0;  // the node's tag after its marks changed
  int result_code = 0;
  std::string message;  // stored with the result (codes 4 and 5)
  RunTabs tabs;
  DisplayValue display;  // null when nothing is shown for this item
};

struct RedirectShown {
  int slot = 0;
  store::NodeId node = store::kNoNode;
  std::string target;  // the absolute redirect target
  RunTabs tabs;
  DisplayValue display;
};

struct StatusText {
  std::string text;  // Shift_JIS; empty clears the status bar
};

struct RunEnded {
  RunCounters counters;
  bool stopped = false;  // the stop command (or closing) ended the run
};

struct RunEvent {
  using Body = std::variant<ItemFinished, RedirectShown, StatusText, RunEnded>;
  uint64_t run_id = 0;
  Body body;
};

class RunEventSink {
 public:
  virtual ~RunEventSink() = default;
  // Any thread; never blocks on the front end.
  virtual void post(RunEvent event) = 0;
};

// The usual sink: a queue the front end drains on its own thread. `on_post`
// (optional) is called after each push, on the posting thread and outside
// the queue's lock: a GUI uses it to schedule a drain on its UI thread; it
// must not block either.
class RunEventQueue : public RunEventSink {
 public:
  explicit RunEventQueue(std::function<void()> on_post = {}) : on_post_(std::move(on_post)) {}
  void post(RunEvent event) override;
  // The oldest event, or nullopt when there is none.
  std::optional<RunEvent> try_pop();
  // Waits up to `timeout_ms` for an event.
  std::optional<RunEvent> wait_pop(int timeout_ms);
  std::size_t size() const;

 private:
  std::function<void()> on_post_;
  mutable std::mutex mutex_;
  std::condition_variable posted_;  // an event was pushed
  std::deque<RunEvent> events_;     // guarded by mutex_
};

}  // namespace ks::check
