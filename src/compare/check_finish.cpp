#include "compare/check_finish.h"

#include <optional>

#include "compare/compare_task.h"
#include "compare/log_files.h"
#include "compare/result_record.h"
#include "platform/fs.h"
#include "platform/profile.h"
#include "platform/spare_files.h"

namespace ks::compare {
namespace {

bool ends_with(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

void clear_one(std::string_view folder, bool errors_only,
               const std::function<void(std::string_view)>& on_item) {
  if (errors_only && !is_error_code(read_result_code(folder))) return;
  clear_result(folder);
  if (on_item) on_item(folder);
}

}  // namespace

ResultDecision decide_result(const FinishInput& in) {
  ResultDecision d;
  d.code = result_code_for_status(in.check_status, in.network_failure);
  if (d.code == kResultNetworkError) {
    d.message = in.network_message;
  } else if (d.code == kResultHttpError) {
    d.message = in.response ? http_error_message_of(*in.response) : http_error_message(in.folder);
  }
  d.updated_mark = d.code == kResultChanged;
  d.error_mark = is_error_code(d.code);
  return d;
}

FinishOutcome finish_check(const FinishInput& in) {
  return record_result(in, decide_result(in));
}

FinishOutcome record_result(const FinishInput& in, const ResultDecision& d) {
  FinishOutcome out;
  out.log_number = in.log_number;
  out.code = d.code;
  out.message = d.message;
  out.updated_mark = d.updated_mark;
  out.error_mark = d.error_mark;
  const bool rotate =
      out.code != kResultNetworkError &&
      (in.check_status == CheckStatus::kChanged || in.check_status == CheckStatus::kInitialized);
  // The new logs are put in place before the record names them, and the
  // record (code, message, current log) is written once: whatever fails,
  // the record never points at a log that is not there, and until it is
  // written the previous log stays the baseline.
  std::optional<StoredResult> own;
  StoredResult* stored = in.stored;
  if (!stored) stored = &own.emplace(StoredResult::load(in.folder));
  std::optional<int> current;
  if (rotate) {
    const int n = next_log_number(in.log_number);
    const bool changed = in.check_status == CheckStatus::kChanged;
    if (!move_logs_to(in.folder, n, {changed, changed && in.detect_deleted}, in.spares)) {
      out.written = false;
      return out;
    }
    current = n;
  }
  if (!stored->write(out.code, out.message, current, in.spares)) {
    out.written = false;
    return out;
  }
  // A network failure leaves everything else as it was, so the next check is
  // fetched without a conditional request and compares against the same log.
  if (out.code == kResultNetworkError) return out;

  if (in.option_changed) {
    out.option_cleared =
        profile_write_string(path_join(in.folder, "site.db"), "CONFIG", "OPTION_CHANGED", "0");
  }
  if (rotate) {
    prune_logs(in.folder, *current, in.use_old_log, in.n_reload, in.spares);
    if (in.response) {
      // Replaced as a whole: html.txt is never missing or torn on the way.
      [[maybe_unused]] const bool kept =
          replace_file(in.spares, text_path(in.folder, "html"), *in.response);
    } else {
      keep_response_file(in.folder, in.spares);
    }
    out.log_number = *current;
    out.rotated = true;
  } else if (!in.response) {
    discard_file(in.spares, text_path(in.folder, "htmltmp"));
  }
  return out;
}

void clear_results(std::string_view folder, bool errors_only,
                   const std::function<void(std::string_view folder)>& on_item,
                   const std::function<void(std::string_view name)>& progress) {
  if (ends_with(folder, ".dat") || ends_with(folder, ".tpl")) {
    clear_one(folder, errors_only, on_item);
    return;
  }
  for (const DirEntry& e : scan_dir(folder)) {
    if (!e.is_dir) continue;
    const std::string sub = path_join(folder, e.name);
    if (ends_with(e.name, ".grp")) {
      clear_results(sub, errors_only, on_item, progress);
    } else if (ends_with(e.name, ".dat") || ends_with(e.name, ".tpl")) {
      if (progress) progress(e.name);
      clear_one(sub, errors_only, on_item);
    }
  }
}

}  // namespace ks::compare
