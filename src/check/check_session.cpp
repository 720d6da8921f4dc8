#include "check/check_session.h"

#include <ctime>

#include "net/transfer.h"
#include "platform/sjis.h"

namespace ks::check {
namespace {

std::string with_number(const std::string& format, int n) {
  std::string out = format;
  const auto at = out.find("%d");
  if (at != std::string::npos) out.replace(at, 2, std::to_string(n));
  return out;
}

int64_t now_seconds() {
  return static_cast<int64_t>(std::time(nullptr));
}

}  // namespace

std::string summary_first_text(const RunCounters& c) {
  if (c.started == 0) return KS_SJ("チェック対象のアイテムがありません。");
  if (c.updated > 0) return with_number(KS_SJ("%d 件の更新がありました。"), c.updated);
  return KS_SJ("更新はありません。");
}

std::string summary_second_text(const RunCounters& c) {
  if (c.errors == 0) return {};
  return with_number(KS_SJ("エラーが %d 件ありました。"), c.errors);
}

void add_run_statistics(app_options::Statistics& stats, int64_t run_seconds, int sites,
                        int64_t received_bytes) {
  if (run_seconds > 0) stats.trx_time += run_seconds;
  stats.num_sites += sites;
  if (received_bytes > 0) stats.rx_data_bytes += received_bytes;
}

CheckSession::CheckSession(store::Tree& tree, RunEventSink& sink, RunComposer* composer,
                           const FetchMethods& methods, store::TemplateApplier apply_template,
                           net::Resolver* resolver)
    : run_(tree, sink, composer, methods, std::move(apply_template), resolver) {}

CheckSession::CheckSession(store::Tree& tree, RunEventSink& sink,
                           std::unique_ptr<RunComposer> composer, const FetchMethods& methods,
                           store::TemplateApplier apply_template)
    : own_composer_(std::move(composer)),
      run_(tree, sink, own_composer_.get(), methods, std::move(apply_template)) {}

bool CheckSession::start(store::NodeId selected, CheckKind kind,
                         const app_options::Options& options, const std::string& base_folder) {
  RunConfig config = RunConfig::from_options(options);
  config.check_kind = kind;
  config.start = selected;
  config.base_folder = base_folder;
  return start(config, options);
}

bool CheckSession::start(RunConfig config, const app_options::Options& options) {
  if (run_.running()) return false;
  // Front ends that build their own configuration (the command line) get
  // the work folder the application gave the session, and with it the
  // spare files that spare a run most of its file creations.
  if (config.work_folder.empty()) config.work_folder = work_folder_;
  {
    std::lock_guard lock(run_.tree_lock());
    if (config.start == store::kNoNode) return false;
  }
  options_ = options;
  stop_requested_ = false;
  // The first run on a new day starts the day's counters from zero.
  start_time_ = now_seconds();
  app_options::roll_statistics_day(*stats_, start_time_);
  received_before_ = net::received_counters().day.load();
  return run_.start(config);
}

void CheckSession::stop() {
  stop_requested_ = true;
  run_.stop();
}

void CheckSession::request_exit() {
  stop_requested_ = true;
  run_.request_exit();
}

RunCompletion CheckSession::complete(bool minimized) {
  run_.wait();
  RunCompletion out;
  out.counters = run_.counters();
  out.stopped = stop_requested_ || run_.stop_requested();
  stop_requested_ = false;
  const int64_t end = now_seconds();
  const int64_t received = net::received_counters().day.load() - received_before_;
  add_run_statistics(*stats_, end - start_time_, run_.sites(), received);
  if (totals_) add_run_statistics(*totals_, end - start_time_, run_.sites(), received);
  // A run ended for closing shows nothing and decides nothing; a stop alone
  // still shows the summary.
  out.closing = run_.exit_requested();
  if (out.closing) return out;
  out.first_text = summary_first_text(out.counters);
  out.second_text = summary_second_text(out.counters);
  out.status_line = out.first_text;
  if (!out.second_text.empty()) out.status_line += " " + out.second_text;

  const app_options::Options& o = options_;
  const bool changes_or_errors = out.counters.updated > 0 || out.counters.errors > 0;
  if (o.use_notify_sound != 0 && !o.notify_sound.empty()) out.sound_file = o.notify_sound;
  out.open_report = out.counters.updated > 0 && o.auto_open_browser_view != 0 && !out.stopped;
  out.restore_window = o.show_on_change != 0 && changes_or_errors && minimized;
  out.show_finish_message =
      o.always_finish_message != 0 || (o.finish_message != 0 && changes_or_errors);
  if (out.show_finish_message) {
    out.finish_message = out.first_text;
    if (!out.second_text.empty()) out.finish_message += "\n\n" + out.second_text;
  }
  out.close_application =
      !out.stopped && (o.force_close != 0 || (o.auto_close != 0 && !changes_or_errors));
  return out;
}

}  // namespace ks::check
