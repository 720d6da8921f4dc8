// What a check run asks of the front end that runs it. The run calls these
// from its own threads: show_outcome and show_redirect on the worker that
// carries the item, while the run's display lock is held, and they return
// only when the display is done (a GUI marshals each call to its UI thread
// and waits; the CLI prints on the calling thread). run_ended comes last,
// once, on the coordinator's thread, after every worker has ended.
#pragma once

#include <string>
#include <string_view>

#include "check/task.h"

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

// One finished item to show. `task` holds the item's settings, the result
// code and message, the stage outcome and the redirect overflow mark; the
// item's add.txt/del.txt are still in place (the logs rotate afterwards).
struct SlotOutcome {
  int slot = 0;
  const TaskRecord* task = nullptr;
  RunTabs tabs;
};

// A hop that ended in a redirect, shown when DISP_HTTP_REDIRECT is on: an
// error entry with `http_message`, then "転送 --> " and the target as a link.
struct RedirectNotice {
  int slot = 0;
  const TaskRecord* task = nullptr;  // task->redirect_target is the target
  std::string http_message;          // "HTTPエラー (status line)"
  RunTabs tabs;
};

// The counters of a finished run.
struct RunCounters {
  int started = 0;
  int updated = 0;
  int errors = 0;
};

class RunHost {
 public:
  virtual ~RunHost() = default;
  virtual void show_outcome(const SlotOutcome& outcome) = 0;
  virtual void show_redirect(const RedirectNotice& notice) = 0;
  // The run has ended (every worker is gone). The front end then calls
  // CheckSession::complete() on its own thread.
  virtual void run_ended(const RunCounters& counters) = 0;
  // Status bar text (Shift_JIS), e.g. "更新チェック中...".
  virtual void status_text(std::string_view text) = 0;
};

}  // namespace ks::check
