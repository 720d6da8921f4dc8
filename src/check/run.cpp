#include "check/run.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <vector>

#include "compare/check_finish.h"
#include "compare/compare_step.h"
#include "compare/log_files.h"
#include "compare/result_record.h"
#include "convert/page_sink.h"
#include "net/net_error.h"
#include "net/request_target.h"
#include "net/response_reader.h"
#include "net/tls.h"
#include "platform/fs.h"
#include "platform/sjis.h"

namespace ks::check {
namespace {

constexpr int kPassWaitMs = 500;
constexpr int kSpacingStepMs = 100;
// A response up to this size stays in the worker's memory instead of
// htmltmp.txt: most pages fit, and 32 workers hold at most 8 MB.
constexpr std::size_t kResponseInMemory = 256 * 1024;

int convert_slots_from_environment() {
  const char* v = std::getenv("KESTRELSCAN_CONVERT_SLOTS");
  if (!v) return 0;
  const int n = std::atoi(v);
  return n >= 1 && n <= kMaxWorkers ? n : 0;
}

// A folder name of its own for each run of the process.
std::string spare_folder(const std::string& work_folder) {
  static std::atomic<unsigned> runs{0};
  return work_folder + "/spare-" + std::to_string(::getpid()) + "-" + std::to_string(runs++);
}

int processor_cores() {
  const unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : static_cast<int>(std::min<unsigned>(n, kMaxWorkers));
}

int64_t now_ms() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

RunConfig RunConfig::from_options(const app_options::Options& o) {
  RunConfig c;
  c.retry = o.retry;
  c.timeout = o.timeout;
  c.max_connection = o.max_connection;
  c.tx_interval_ms = o.tx_interval;
  c.n_reload = o.n_reload;
  c.disp_http_redirect = o.disp_http_redirect != 0;
  c.use_site_priority = o.use_site_priority != 0;
  c.nochange_msg = o.nochange_msg != 0;
  c.net.use_proxy = o.use_proxy != 0;
  c.net.proxy_host = o.proxy_url;
  c.net.proxy_port = static_cast<uint16_t>(o.proxy_port);
  c.net.use_head = o.use_head != 0;
  c.net.timeout_seconds = o.timeout;
  c.net.disable_http_redirect = o.disable_http_redirect != 0;
  c.net.tls = &net::process_tls();
  c.convert_slots = convert_slots_from_environment();
  return c;
}

struct CheckRun::Worker {
  int slot = 0;
  TaskRecord task;
  WakeEvent wake;
  net::TransferProgress* progress = nullptr;  // the slot's live counters in the task table
  int log_number = 0;
  // The response of the last hop when the fetch kept it in memory (reused
  // from item to item, so its room is allocated once).
  std::string response;
  bool response_in_memory = false;
  std::optional<compare::StoredResult> stored;  // the item's result.db, read once
};

CheckRun::CheckRun(store::Tree& tree, RunEventSink& sink, RunComposer* composer,
                   const FetchMethods& methods, store::TemplateApplier apply_template,
                   net::Resolver* resolver)
    : tree_(tree),
      sink_(sink),
      composer_(composer),
      methods_(methods),
      apply_template_(std::move(apply_template)),
      resolver_(resolver) {
  if (!resolver_) {
    own_resolver_ = std::make_unique<net::Resolver>();
    resolver_ = own_resolver_.get();
  }
}

CheckRun::~CheckRun() {
  if (coordinator_.joinable()) {
    request_exit();
    coordinator_.join();
  }
}

bool CheckRun::start(const RunConfig& config) {
  if (running_.load()) return false;
  if (coordinator_.joinable()) coordinator_.join();
  config_ = config;
  tasks_.clear();
  run_id_.fetch_add(1);
  started_ = 0;
  finished_ = 0;
  updated_ = 0;
  errors_ = 0;
  sites_ = 0;
  abort_ = false;
  exit_ = false;
  first_transfer_ = true;
  last_transfer_ms_ = 0;
  connections_.reset(config_.max_connection);
  convert_slots_.set_count(config_.convert_slots > 0 ? config_.convert_slots : processor_cores());
  spares_.reset();
  if (!config_.work_folder.empty()) {
    spares_ = std::make_unique<SpareFiles>(spare_folder(config_.work_folder));
  }
  walk_ = std::make_unique<ItemWalk>(tree_, config_.base_folder, config_.start, config_.check_kind,
                                     config_.use_site_priority, apply_template_);
  walk_->restrict_to(config_.only_items);
  tabs_ = walk_->single_item() ? RunTabs{kTabSingle, kTabSingle} : RunTabs{kTabAll, kTabErrors};
  worker_count_ = walk_->single_item() ? 1 : kMaxWorkers;
  running_ = true;
  post(StatusText{KS_SJ("更新チェック中...")});
  coordinator_ = std::thread([this] { coordinate(); });
  return true;
}

void CheckRun::wait() {
  if (coordinator_.joinable()) coordinator_.join();
}

RunCounters CheckRun::counters() const {
  return {started_.load(), finished_.load(), updated_.load(), errors_.load()};
}

void CheckRun::post(RunEvent::Body body) {
  sink_.post(RunEvent{run_id_.load(), std::move(body)});
}

void CheckRun::coordinate() {
  std::vector<std::thread> workers;
  const int count = worker_count_.load();
  workers.reserve(static_cast<std::size_t>(count));
  for (int slot = 0; slot < count; ++slot) {
    workers.emplace_back([this, slot] { work(slot); });
  }
  for (std::thread& t : workers) t.join();
  spares_.reset();
  methods_.end_run();
  RunEnded ended{counters(), aborted()};
  running_ = false;
  // The last thing this thread does with the run: the front end may start
  // the next run as soon as it sees this event.
  post(std::move(ended));
}

void CheckRun::set_state(Worker& w, TaskState state) {
  w.task.state = state;
  w.task.received_bytes = w.progress->received_bytes.load(std::memory_order_relaxed);
  w.task.elapsed_seconds = w.progress->elapsed_seconds.load(std::memory_order_relaxed);
  tasks_.publish(w.slot, w.task);
}

void CheckRun::work(int slot) {
  Worker w;
  w.slot = slot;
  w.progress = &tasks_.progress(slot);
  while (!aborted()) {
    NextResult next;
    int importance = -1;
    store::PageSettings settings;
    {
      std::lock_guard lock(tree_lock_);
      next = walk_->next(slot, settings);
      if (walk_->importance_passes()) importance = walk_->pass_importance();
    }
    if (next == NextResult::kEnd) break;
    if (next == NextResult::kWait) {
      // Poll again after the pass wait, sooner when stopped.
      for (int waited = 0; waited < kPassWaitMs && !aborted(); waited += 50) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      continue;
    }
    if (importance >= 0 && settings.site_priority != importance) continue;
    w.task = TaskRecord{};
    w.task.settings = std::move(settings);
    w.stored.reset();
    w.response_in_memory = false;
    w.progress->received_bytes = 0;
    w.progress->elapsed_seconds = 0;
    started_.fetch_add(1, std::memory_order_relaxed);
    if (!carry(w)) break;
  }
  {
    // The item in hand (if any) stays unfinished; its slot is free again.
    std::lock_guard lock(tree_lock_);
    if (walk_) walk_->set_busy(slot, false);
  }
  w.task.state = TaskState::kIdle;
  tasks_.publish(slot, w.task);
}

void CheckRun::wait_spacing() {
  std::lock_guard lock(spacing_lock_);
  if (aborted()) return;
  for (;;) {
    if (exiting()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(kSpacingStepMs));
    const int64_t now = now_ms();
    if (first_transfer_ || now - last_transfer_ms_ >= config_.tx_interval_ms) {
      first_transfer_ = false;
      last_transfer_ms_ = now;
      return;
    }
    if (aborted()) return;
  }
}

bool CheckRun::fetch_hop(Worker& w, const net::RequestTarget& target, FetchMethod& method) {
  TaskRecord& t = w.task;
  const std::string response_path = compare::text_path(t.settings.folder_path, "htmltmp");
  // A hand-edited RETRY below 0 still gets one attempt: zero attempts would
  // report a dead server as unchanged.
  const int attempts = std::max(config_.retry, 0) + 1;
  for (t.attempt = 0; t.attempt < attempts;) {
    t.net_error = 0;
    uint32_t address = 0xFFFFFFFFu;
    if (auto literal = net::parse_ipv4_literal(target.lookup_name)) {
      address = *literal;
    } else if (method.needs_lookup()) {
      set_state(w, TaskState::kLookupWait);
      net::LookupResult found;
      {
        std::lock_guard lock(lookup_lock_);
        set_state(w, TaskState::kLookup);
        found = resolver_->lookup(target.lookup_name, config_.timeout, stop_flags());
      }
      if (aborted() || exiting()) return false;
      if (!found.ok) {
        t.net_error = net::kNetLookupFailed;
        ++t.attempt;
        continue;
      }
      address = found.address;
    }
    t.address = address;
    set_state(w, TaskState::kConnectWait);
    connections_.enter(w.slot, address, w.wake);
    if (config_.tx_interval_ms > 0) wait_spacing();
    FetchOutcome got;
    if (!aborted()) {
      w.progress->received_bytes = 0;
      set_state(w, TaskState::kTransfer);
      FetchRequest req;
      req.settings = &t.settings;
      req.target = &target;
      req.address = address;
      req.response_path = response_path;
      req.config = &config_.net;
      req.stop = stop_flags();
      req.progress = w.progress;
      req.response_memory = &w.response;
      req.memory_limit = kResponseInMemory;
      got = method.fetch(req);
    }
    connections_.leave(w.slot, address);
    t.received_bytes = got.received_bytes;
    t.tls_error = got.tls_error;
    w.response_in_memory = got.ok && got.in_memory;
    if (got.ok) return true;
    if (aborted()) return false;
    // What a failed attempt left is no response; on a full disk its room is
    // what the error record needs.
    if (!got.in_memory) discard_file(spares_.get(), response_path);
    t.net_error = got.net_error != 0 ? got.net_error : method.failure_code();
    if (!method.retries()) {
      t.attempt = attempts;
      break;
    }
    ++t.attempt;
  }
  return false;
}

bool CheckRun::convert(Worker& w) {
  TaskRecord& t = w.task;
  const std::string& folder = t.settings.folder_path;
  StageSlots::Held slot(convert_slots_);
  set_state(w, TaskState::kConvert);
  const auto cs = convert::ConvertSettings::from(t.settings, t.current_url);
  convert::PageSink sink(cs, compare::text_path(folder, "new"), &abort_, spares_.get());
  net::ResponseReadOptions options;
  options.raw_header_copy = net::wants_raw_header_copy(t.settings);
  options.current_url = t.current_url;
  options.abort = &abort_;
  const net::ResponseReadResult r =
      w.response_in_memory
          ? net::read_response_bytes(w.response, sink, options)
          : net::read_response_file(compare::text_path(folder, "htmltmp"), sink, options);
  if (r.aborted || aborted()) return false;
  sink.finish();
  // A fetch that reported success but left no readable response is a fault
  // of this system, not of the page; so is a new text that could not be
  // written whole (a full disk): it must never be compared as the page.
  const bool broken =
      r.input_missing || (r.outcome == store::CheckStatus::kNoChange && sink.output_failed());
  t.stage_outcome = broken ? store::CheckStatus::kSystemError : r.outcome;
  // A partly written text is of no use, and its room is needed to record
  // the error.
  if (sink.output_failed()) remove_file(compare::text_path(folder, "new"));
  t.http_status = r.http_status;
  t.redirect_target = r.redirect_target;
  return true;
}

compare::StoredResult& CheckRun::stored_result(Worker& w) {
  if (!w.stored) w.stored = compare::StoredResult::load(w.task.settings.folder_path);
  return *w.stored;
}

void CheckRun::compare(Worker& w) {
  TaskRecord& t = w.task;
  compare::CompareTask ct;
  ct.folder = t.settings.folder_path;
  ct.settings = t.settings;
  ct.env.stopped = [this] { return aborted(); };
  ct.env.spares = spares_.get();
  const int current = stored_result(w).current_log_number();
  StageSlots::Held slot(convert_slots_);
  t.stage_outcome = compare::compare_item(ct, current);
  w.log_number = ct.log_number;
  if (t.stage_outcome == store::CheckStatus::kChanged) t.lines_log = ct.output_number;
}

bool CheckRun::carry(Worker& w) {
  TaskRecord& t = w.task;
  FetchMethod& method = methods_.for_use_script(t.settings.use_script);
  const int hop_limit = net::hop_limit(config_.net, t.settings);
  const std::string previous = compare::text_path(t.settings.folder_path, "html");
  std::string url(net::url_to_fetch(t.settings));
  // The day's NUM_SITES counts every item that starts its first hop, also
  // one without a URL or whose name lookup fails.
  sites_.fetch_add(1, std::memory_order_relaxed);
  int hops = 0;
  bool fetched_all = false;
  for (;;) {
    // Nothing of the previous hop may leak into this one.
    t.net_error = 0;
    t.redirected = false;
    t.http_status = 0;
    t.stage_outcome = store::CheckStatus::kNoChange;
    t.tls_error = 0;
    t.message.clear();
    t.redirect_target.clear();
    net::RequestTarget target;
    if (net::prepare_request_target(t.settings, config_.net, url, previous, target) != 0) {
      t.net_error = net::kNetNoUrl;
      break;
    }
    t.current_url = target.current_url;
    t.host = target.host;
    t.port = target.port;
    t.request_path = target.request_path;
    t.conditional = target.conditional;
    t.last_modified = target.last_modified;
    t.secure = target.secure;
    if (!fetch_hop(w, target, method)) {
      if (aborted() || exiting()) return false;
      break;  // every attempt failed: the network error stands
    }
    if (aborted() || exiting()) return false;
    if (!convert(w)) return false;
    if (t.stage_outcome == store::CheckStatus::kHttpError && t.net_error == 0 &&
        t.http_status != 200 && !t.redirect_target.empty()) {
      t.redirected = true;
      if (config_.disp_http_redirect && !exiting()) show_redirect(w);
      ++hops;
      if (hops < hop_limit) {
        url = t.redirect_target;
        continue;
      }
    }
    fetched_all = true;
    break;
  }
  if (fetched_all) {
    if (hops >= kRedirectOverflowMark) {
      t.redirected = false;
      t.redirect_overflow = kRedirectOverflowMark;
    } else if (t.stage_outcome == store::CheckStatus::kNoChange) {
      compare(w);
      // A stop during the comparison leaves the item unfinished: its
      // comparison did not run to the end, so nothing may be recorded.
      if (aborted() || exiting()) return false;
    }
  }
  finish(w);
  set_state(w, TaskState::kDisplayed);
  return !aborted() && !exiting();
}

void CheckRun::show_redirect(Worker& w) {
  TaskRecord& t = w.task;
  RedirectShown notice;
  notice.slot = w.slot;
  notice.node = static_cast<store::NodeId>(t.settings.node_id);
  notice.target = t.redirect_target;
  notice.tabs = tabs_;
  if (composer_) {
    const std::string message = w.response_in_memory
                                    ? compare::http_error_message_of(w.response)
                                    : compare::http_error_message(t.settings.folder_path);
    notice.display = composer_->compose_redirect(t, message, tabs_);
  }
  post(std::move(notice));
}

void CheckRun::finish(Worker& w) {
  TaskRecord& t = w.task;
  const std::string& folder = t.settings.folder_path;
  set_state(w, TaskState::kDisplay);
  compare::FinishInput in;
  in.folder = folder;
  in.check_status = t.stage_outcome;
  in.network_failure = t.net_error != 0;
  if (in.network_failure) in.network_message = net::net_error_message(t.net_error);
  in.option_changed = t.settings.option_changed != 0;
  in.log_number = t.stage_outcome == store::CheckStatus::kChanged ||
                          t.stage_outcome == store::CheckStatus::kInitialized
                      ? w.log_number
                      : stored_result(w).current_log_number();
  in.use_old_log = t.settings.use_old_log;
  in.n_reload = config_.n_reload;
  in.detect_deleted = t.settings.detect_deleted_lines != 0;
  in.response = w.response_in_memory ? &w.response : nullptr;
  in.stored = &stored_result(w);
  in.spares = spares_.get();
  compare::ResultDecision decision = compare::decide_result(in);
  t.result_code = decision.code;
  t.message = decision.message;
  tasks_.publish(w.slot, t);

  // The display is composed now, while add.txt and del.txt are in place.
  ItemFinished event;
  event.slot = w.slot;
  event.node = static_cast<store::NodeId>(t.settings.node_id);
  event.tabs = tabs_;
  if (shown(t, in.network_failure)) event.display = compose(t);

  if (!compare::record_result(in, decision).written) {
    // The result could not be recorded (a full disk, say): the item ends
    // with a system error on screen and its previous text stays the
    // baseline of the next check; nothing on disk says otherwise.
    t.result_code = compare::kResultSystemError;
    t.message.clear();
    tasks_.publish(w.slot, t);
    event.display = shown(t, false) ? compose(t) : nullptr;
  }
  event.result_code = t.result_code;
  event.message = t.message;
  if (t.result_code == compare::kResultChanged) updated_.fetch_add(1, std::memory_order_relaxed);
  if (compare::is_error_code(t.result_code)) errors_.fetch_add(1, std::memory_order_relaxed);
  {
    std::lock_guard lock(tree_lock_);
    if (store::Node* n = tree_.find(event.node)) {
      n->tag = store::tag_with_result(n->tag, t.result_code);
      event.tag = n->tag;
    }
  }
  finished_.fetch_add(1, std::memory_order_relaxed);
  post(std::move(event));
}

bool CheckRun::shown(const TaskRecord& t, bool network_failure) const {
  const bool quiet = !network_failure && (t.result_code == compare::kResultNoChange ||
                                          t.result_code == compare::kResultNotModified);
  return composer_ && (!quiet || config_.nochange_msg) && !exiting();
}

DisplayValue CheckRun::compose(const TaskRecord& t) {
  return composer_->compose_outcome(t, tabs_);
}

}  // namespace ks::check
