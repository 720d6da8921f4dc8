#include "compare/compare_step.h"

#include <algorithm>
#include <memory>

#include "compare/diff_engine.h"
#include "compare/filters.h"
#include "compare/limits.h"
#include "compare/log_files.h"
#include "compare/result_record.h"
#include "platform/fs.h"

namespace ks::compare {

CheckStatus compare_files(const CompareTask& task, std::string_view old_path,
                          std::string_view new_path, std::string_view out_folder) {
  if (!is_regular_file(old_path)) return CheckStatus::kInitialized;
  if (task.env.stop_requested()) return CheckStatus::kNoChange;

  // Two lists of about 600 KB each: on the heap, alive for this comparison.
  auto old_list = std::make_unique<TextLineList>();
  auto new_list = std::make_unique<TextLineList>();
  const EngineResult r =
      run_diff_engine(old_path, new_path, *old_list, *new_list, task.settings, task.env);
  if (task.env.stop_requested()) return CheckStatus::kNoChange;
  if (r == EngineResult::kAreaNotFound) return CheckStatus::kAreaNotFound;

  const bool deleted = run_post_diff_filters(task, *old_list, task.log_number, true, old_path);
  if (task.env.stop_requested()) return CheckStatus::kNoChange;
  const bool added = run_post_diff_filters(task, *new_list, task.log_number, false, old_path);
  if (task.env.stop_requested()) return CheckStatus::kNoChange;

  const bool detect_deleted = task.settings.detect_deleted_lines != 0;
  if (!deleted && !added) return CheckStatus::kNoChange;
  if (!added && !detect_deleted) return CheckStatus::kNoChange;

  // Lines that could not be written must not be reported as the change (a
  // full disk): the check fails and the previous log stays the baseline.
  auto out_path = [&](std::string_view kind) {
    return task.output_number < 0 ? text_path(out_folder, kind)
                                  : numbered_log_path(out_folder, kind, task.output_number);
  };
  // A numbered name beyond the stored format's path limit is a log that
  // could never be read back.
  const std::string del_path = out_path("del");
  const std::string add_path = out_path("add");
  if (task.output_number >= 0 && std::max(del_path.size(), add_path.size()) > kMaxPath) {
    return CheckStatus::kSystemError;
  }
  if (detect_deleted && !write_reported_lines(del_path, *old_list, task.env.spares)) {
    return CheckStatus::kSystemError;
  }
  if (!write_reported_lines(add_path, *new_list, task.env.spares)) {
    return CheckStatus::kSystemError;
  }
  return CheckStatus::kChanged;
}

CheckStatus compare_item(CompareTask& task, std::optional<int> current) {
  task.log_number = current ? *current : read_current_log_number(task.folder);
  task.output_number = next_log_number(task.log_number);
  const std::string old_path = numbered_log_path(task.folder, "log", task.log_number);
  const std::string new_path = text_path(task.folder, "new");
  return compare_files(task, old_path, new_path, task.folder);
}

}  // namespace ks::compare
