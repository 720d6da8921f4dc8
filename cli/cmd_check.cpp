// check [PATH] [--kind KIND]: runs a check over the node at PATH (the whole
// tree by default) and prints each item's outcome as it is finished, the
// other outcomes and errors after them, and the run's summary line last. On
// a terminal a one-line progress display (items done of the total, current
// transfers) is kept on stderr. Ctrl+C stops the run: the items in flight
// are left unfinished and nothing is half-written. Only one check runs over
// a data folder at a time.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/options/statistics.h"
#include "app_context.h"
#include "check/check_session.h"
#include "check/data_folder_lock.h"
#include "check/webdriver_fetch.h"
#include "compare/result_record.h"
#include "platform/sjis.h"
#include "present/display.h"
#include "store/templates.h"
#include "term_pane.h"

namespace ks::cli {
namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void on_interrupt(int) {
  g_interrupted.store(true);
}

struct KindName {
  const char* name;
  int kind;
};
constexpr KindName kKinds[] = {
    {"selected", check::kCheckSelected},       {"errors", check::kCheckErrors},
    {"comm-errors", check::kCheckCommErrors},  {"high", check::kCheckHighImportance},
    {"medium", check::kCheckMediumImportance}, {"normal", check::kCheckNormalImportance},
};

// Shows outcomes through the result display: the change tab's entries on
// stdout as they come, the message tab's entries (when the run has two tabs)
// kept in a pane of their own and printed after the run.
class CliHost : public check::RunHost {
 public:
  CliHost(const app_options::Options& options, bool raw, bool progress)
      : progress_(progress),
        held_(std::tmpfile()),
        change_(stdout, detect_term_style(stdout, raw), options),
        message_(held_ ? held_ : stdout, detect_term_style(stdout, raw), options) {
    env_.options = &options;
    // tmpfile() is not close-on-exec: the browser drivers a run starts would
    // inherit it.
    if (held_) ::fcntl(::fileno(held_), F_SETFD, FD_CLOEXEC);
  }
  ~CliHost() override {
    if (held_) std::fclose(held_);
  }
  CliHost(const CliHost&) = delete;
  CliHost& operator=(const CliHost&) = delete;

  void show_outcome(const check::SlotOutcome& o) override {
    const check::TaskRecord& t = *o.task;
    present::ItemOutcome outcome;
    outcome.result_code = t.result_code;
    outcome.message = t.message;
    outcome.redirect_limit = t.redirect_overflow >= check::kRedirectOverflowMark;
    std::lock_guard lock(out_mutex_);
    clear_progress();
    present::Pane& message = o.tabs.message_tab == o.tabs.change_tab ? change_ : message_;
    present::show_item_outcome(change_, message, t.settings, outcome, env_);
    change_.show_held();
    std::fflush(stdout);
  }

  void show_redirect(const check::RedirectNotice& n) override {
    std::lock_guard lock(out_mutex_);
    clear_progress();
    present::Pane& pane = n.tabs.message_tab == n.tabs.change_tab ? change_ : message_;
    present::show_redirect_notice(pane, n.task->settings, n.http_message, n.task->redirect_target,
                                  env_);
    change_.show_held();
    std::fflush(stdout);
  }

  void run_ended(const check::RunCounters&) override {
    {
      std::lock_guard lock(done_mutex_);
      done_ = true;
    }
    done_cv_.notify_all();
  }

  void status_text(std::string_view) override {}

  // Waits up to `ms` for the run's end.
  bool wait_done(int ms) {
    std::unique_lock lock(done_mutex_);
    return done_cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return done_; });
  }

  void show_progress(int done, int total, int transfers) {
    if (!progress_) return;
    std::lock_guard lock(out_mutex_);
    std::fprintf(stderr, "\r\x1b[K[%d/%d] transfers: %d", done, total, transfers);
    std::fflush(stderr);
    progress_shown_ = true;
  }

  // Clears the progress line and prints the message pane after the changes.
  void flush_messages() {
    std::lock_guard lock(out_mutex_);
    clear_progress();
    change_.show_held();
    message_.show_held();
    if (held_) {
      std::fflush(held_);
      std::rewind(held_);
      char buf[65536];
      std::size_t n;
      while ((n = std::fread(buf, 1, sizeof buf, held_)) > 0) std::fwrite(buf, 1, n, stdout);
    }
    std::fflush(stdout);
  }

  void print_summary(std::string_view sjis, bool raw) {
    std::lock_guard lock(out_mutex_);
    clear_progress();
    print_line(sjis, raw);
    std::fflush(stdout);
  }

 private:
  void clear_progress() {
    if (!progress_shown_) return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    progress_shown_ = false;
  }

  bool progress_;
  std::FILE* held_;
  present::DisplayEnv env_;
  TermPane change_;
  TermPane message_;
  std::mutex out_mutex_;
  bool progress_shown_ = false;
  std::mutex done_mutex_;
  std::condition_variable done_cv_;
  bool done_ = false;
};

int count_items(App& app, store::NodeId from, int kind, bool use_site_priority) {
  check::ItemWalk walk(app.tree, app.folders.base, from, kind, use_site_priority);
  return walk.count_items();
}

int run_check(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  const bool raw = take_flag(args, "--raw");
  int kind = check::kCheckSelected;
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string a = args[i];
    std::string value;
    if (a == "--kind") {
      if (i + 1 >= args.size()) return usage_error("--kind needs a value");
      value = args[++i];
    } else if (a.rfind("--kind=", 0) == 0) {
      value = a.substr(7);
    } else if (!a.empty() && a[0] == '-') {
      return usage_error("unknown option: " + a);
    } else {
      rest.push_back(a);
      continue;
    }
    bool found = false;
    for (const KindName& k : kKinds) {
      if (value == k.name) {
        kind = k.kind;
        found = true;
      }
    }
    if (!found) {
      return usage_error("unknown kind: " + value +
                         " (selected, errors, comm-errors, high, medium, normal)");
    }
  }
  if (rest.size() > 1) return usage_error("usage: check [PATH] [--kind KIND]");

  int code = 0;
  auto app = open_app(ctx, code);
  if (!app) return code;
  check::DataFolderLock lock;
  switch (lock.acquire(app->folders.base)) {
    case check::DataFolderLock::Result::kLocked:
      break;
    case check::DataFolderLock::Result::kBusy:
      return failure("another check is running on this data folder; try again when it ends");
    case check::DataFolderLock::Result::kFailed:
      return failure("cannot create the lock file in " + sjis_to_utf8(app->folders.base));
  }
  const store::NodeId from = find_node_or_root(*app, rest, 0, raw);
  if (from == store::kNoNode) return kExitFailure;

  const bool on_terminal = ::isatty(STDERR_FILENO) == 1;
  CliHost host(app->options, raw, on_terminal);
  check::FetchMethods methods;
  methods.set(check::kUseScriptBrowserDriver,
              check::make_webdriver_fetch(app->folders, app->options.timeout));
  check::CheckSession session(app->tree, host, methods, store::template_applier(app->templates));
  const int64_t now = static_cast<int64_t>(std::time(nullptr));
  session.statistics() = app_options::load_statistics(app->app_folder, now);
  const int total = count_items(*app, from, kind, app->options.use_site_priority != 0);

  g_interrupted = false;
  struct sigaction sa {};
  sa.sa_handler = on_interrupt;
  sigemptyset(&sa.sa_mask);
  struct sigaction old_int {};
  struct sigaction old_term {};
  ::sigaction(SIGINT, &sa, &old_int);
  ::sigaction(SIGTERM, &sa, &old_term);

  if (!session.start(from, kind, app->options, app->folders.base)) {
    return failure("the check could not be started");
  }
  bool stopping = false;
  while (!host.wait_done(200)) {
    if (g_interrupted.load() && !stopping) {
      stopping = true;
      session.stop();
    }
    int done = 0;
    int transfers = 0;
    const auto& tasks = session.run().tasks();
    for (int s = 0; s < session.run().worker_count(); ++s) {
      if (tasks.state(s) == check::kTaskTransfer) ++transfers;
    }
    done = session.run().counters().started - transfers;
    host.show_progress(done < 0 ? 0 : done, total, transfers);
  }
  const check::RunCompletion result = session.complete();
  ::sigaction(SIGINT, &old_int, nullptr);
  ::sigaction(SIGTERM, &old_term, nullptr);
  host.flush_messages();
  app_options::save_statistics(app->app_folder, session.statistics(),
                               static_cast<int64_t>(std::time(nullptr)));
  host.print_summary(result.status_line, raw);
  if (result.stopped) {
    std::fputs("kestrelscan-cli: the check was stopped\n", stderr);
    return 130;
  }
  return kExitOk;
}

const Registrar reg{{"check", "check [PATH] [--kind KIND] [--raw]",
                     "check the pages below PATH (KIND: selected, errors, comm-errors, high, "
                     "medium, normal)",
                     &run_check}};

}  // namespace
}  // namespace ks::cli
