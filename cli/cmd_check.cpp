// check [PATH] [--kind KIND]: runs a check over the node at PATH (the whole
// tree by default) and prints each item's outcome as it is finished, the
// other outcomes and errors after them, and the run's summary line last.
// Items are named by their paths. On a terminal a one-line progress display
// is kept on stderr: items done of the total, and the items in transfer with
// the seconds of their current wait, so a hanging server shows. Ctrl+C stops
// the run: the items in flight are left unfinished and nothing is
// half-written. Only one check runs over a data folder at a time. Exit
// status: 0, 3 when items ended in an error, 130 when stopped (command.h).
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "app_context.h"
#include "check/check_session.h"
#include "compare/result_record.h"
#include "platform/sjis.h"
#include "present/run_display.h"
#include "progress_line.h"
#include "store/templates.h"
#include "term_pane.h"

namespace ks::cli {
namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void on_interrupt(int) {
  g_interrupted.store(true);
}

constexpr const char* kUsage = "check [PATH] [--kind KIND] [--raw]";

struct KindName {
  const char* name;
  check::CheckKind kind;
};
constexpr KindName kKinds[] = {
    {"selected", check::CheckKind::kSelected},
    {"errors", check::CheckKind::kErrors},
    {"comm-errors", check::CheckKind::kCommErrors},
    {"high", check::CheckKind::kHighImportance},
    {"medium", check::CheckKind::kMediumImportance},
    {"normal", check::CheckKind::kNormalImportance},
};

// Prints a run's events on the main thread: the change tab's entries on
// stdout as they come, the message tab's entries (when the run has two tabs)
// held in a temporary file and printed after the run, and a one-line
// progress display on stderr when it is a terminal.
class CliRunOutput {
 public:
  CliRunOutput(const app_options::Options& options, bool raw, bool progress, const PathMap& paths)
      : progress_(progress),
        held_(std::tmpfile(), &std::fclose),
        change_(stdout, detect_term_style(stdout, raw), options),
        message_(held_ ? held_.get() : stdout, detect_term_style(stdout, raw), options) {
    // tmpfile() is not close-on-exec: the browser drivers a run starts would
    // inherit it.
    if (held_) ::fcntl(::fileno(held_.get()), F_SETFD, FD_CLOEXEC);
    auto path_of = [&paths](uint64_t id) {
      auto it = paths.find(id);
      return it == paths.end() ? std::string() : it->second;
    };
    change_.set_item_paths(path_of);
    message_.set_item_paths(path_of);
  }
  CliRunOutput(const CliRunOutput&) = delete;
  CliRunOutput& operator=(const CliRunOutput&) = delete;

  void show(const check::DisplayValue& display) {
    if (!display) return;
    clear_progress();
    // Tab 2 (a single item) shows everything where the changes go.
    const present::RunPanes panes{{&change_, &message_, &change_}};
    present::apply_display(display, panes);
    change_.show_held();
    std::fflush(stdout);
  }

  // "[done/total]", then the items in transfer with their seconds, cut to
  // the terminal's width.
  void show_progress(const std::string& line) {
    if (!progress_) return;
    std::fprintf(stderr, "\r\x1b[K%s", line.c_str());
    std::fflush(stderr);
    progress_shown_ = true;
  }

  // Clears the progress line and prints the message pane after the changes.
  void flush_messages() {
    clear_progress();
    change_.show_held();
    message_.show_held();
    if (held_) {
      std::fflush(held_.get());
      std::rewind(held_.get());
      char buf[65536];
      std::size_t n;
      while ((n = std::fread(buf, 1, sizeof buf, held_.get())) > 0) {
        std::fwrite(buf, 1, n, stdout);
      }
    }
    std::fflush(stdout);
  }

  void print_summary(std::string_view sjis, bool raw) {
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
  bool progress_shown_ = false;
  // Declared before the panes: the message pane writes into it until it is
  // destroyed, so the file must be closed after it.
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> held_;
  TermPane change_;
  TermPane message_;
};

int count_items(App& app, store::NodeId from, check::CheckKind kind, bool use_site_priority) {
  check::ItemWalk walk(app.tree, app.folders.base, from, kind, use_site_priority);
  return walk.count_items();
}

// Every item's path (Shift_JIS), taken before the run: while it goes on the tree may be
// read only under the run's lock, and the labels do not change meanwhile.
PathMap item_paths(const store::Tree& tree) {
  PathMap paths;
  tree.walk(tree.root(), [&](const store::Node& n, int) {
    if (n.kind() == store::NodeKind::kItem || n.kind() == store::NodeKind::kTemplate) {
      paths.emplace(n.id, cli_path(tree, n.id));
    }
  });
  return paths;
}

int run_check(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  const bool raw = take_flag(args, "--raw");
  check::CheckKind kind = check::CheckKind::kSelected;
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string a = args[i];
    std::string value;
    if (a == "--kind") {
      if (i + 1 >= args.size()) return usage_error(_("--kind needs a value"));
      value = args[++i];
    } else if (a.rfind("--kind=", 0) == 0) {
      value = a.substr(7);
    } else if (!a.empty() && a[0] == '-') {
      return usage_error(format(_("unknown option: {1}"), {a}));
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
      return usage_error(format(
          _("unknown kind: {1} (selected, errors, comm-errors, high, medium, normal)"), {value}));
    }
  }
  if (rest.size() > 1) return usage_of(kUsage);

  int code = 0;
  auto app = open_app(ctx, code, app::Access::kChange, "check");
  if (!app) return code;
  const store::NodeId from = find_node_or_root(*app, rest, 0, raw);
  if (from == store::kNoNode) return kExitFailure;

  const bool on_terminal = ::isatty(STDERR_FILENO) == 1;
  const PathMap paths = item_paths(app->tree);
  CliRunOutput out(app->options, raw, on_terminal, paths);
  check::RunEventQueue events;
  auto session = app->core->make_session(events);
  const int total = count_items(*app, from, kind, app->options.use_site_priority != 0);

  g_interrupted = false;
  struct sigaction sa {};
  sa.sa_handler = on_interrupt;
  sigemptyset(&sa.sa_mask);
  struct sigaction old_int {};
  struct sigaction old_term {};
  ::sigaction(SIGINT, &sa, &old_int);
  ::sigaction(SIGTERM, &sa, &old_term);

  if (!session->start(from, kind, app->options, app->folders.base)) {
    return failure(_("the check could not be started"));
  }
  bool stopping = false;
  bool ended = false;
  while (!ended) {
    if (g_interrupted.load() && !stopping) {
      stopping = true;
      session->stop();
    }
    if (auto e = events.wait_pop(200)) {
      if (auto* item = std::get_if<check::ItemFinished>(&e->body)) {
        out.show(item->display);
      } else if (auto* notice = std::get_if<check::RedirectShown>(&e->body)) {
        out.show(notice->display);
      } else if (std::holds_alternative<check::RunEnded>(e->body)) {
        ended = true;
        continue;
      }
    }
    if (on_terminal) out.show_progress(progress_line(session->run(), total, paths));
  }
  const check::RunCompletion result = session->complete();
  ::sigaction(SIGINT, &old_int, nullptr);
  ::sigaction(SIGTERM, &old_term, nullptr);
  out.flush_messages();
  out.print_summary(result.status_line, raw);
  if (result.stopped) {
    note(_("the check was stopped; the items in flight are unchanged"));
    return kExitStopped;
  }
  return result.counters.errors > 0 ? kExitItemErrors : kExitOk;
}

const Registrar reg{
    {"check", kUsage, N_("check the pages below PATH (the whole tree by default)"), &run_check,
     N_("Prints each item's outcome as it is finished (changed items with their added\n"
        "lines, first checks), then the other outcomes and errors, and the summary\n"
        "last. Items are named by their paths. On a terminal, stderr shows a progress\n"
        "line: items done of the total, and the items in transfer with the seconds of\n"
        "their current wait. Ctrl+C stops the run; unfinished items stay as they were.\n"
        "\n"
        "  --kind KIND  which items: selected (all, the default), errors (those whose\n"
        "               last check failed), comm-errors (network errors only), high,\n"
        "               medium, normal (by importance, SITE_PRIORITY)\n"
        "  --raw        names and output as Shift_JIS bytes\n"
        "\n"
        "Deleted lines are shown only for items with DETECT_DELETED_LINES=1.")}};

}  // namespace
}  // namespace ks::cli
