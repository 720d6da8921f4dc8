#include "compare/compare_step.h"

#include <memory>

#include "compare/diff_engine.h"
#include "compare/filters.h"
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
  if (detect_deleted && !write_reported_lines(text_path(out_folder, "del"), *old_list)) {
    return CheckStatus::kSystemError;
  }
  if (!write_reported_lines(text_path(out_folder, "add"), *new_list)) {
    return CheckStatus::kSystemError;
  }
  return CheckStatus::kChanged;
}

CheckStatus compare_item(CompareTask& task) {
  task.log_number = read_current_log_number(task.folder);
  const std::string old_path = numbered_log_path(task.folder, "log", task.log_number);
  const std::string new_path = text_path(task.folder, "new");
  return compare_files(task, old_path, new_path, task.folder);
}

}  // namespace ks::compare
