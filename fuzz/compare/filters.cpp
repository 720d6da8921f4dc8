// The whole comparison (diff, post-diff filters, add.txt and del.txt) on two
// arbitrary texts and an earlier log under arbitrary settings.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "compare/compare_step.h"
#include "compare/log_files.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace ks::compare;
  fuzz::Input in(data, size);
  CompareTask task;
  task.settings = fuzz::settings_from(in);
  task.folder = fuzz::scratch();
  task.log_number = 1;
  const std::string old_path = numbered_log_path(task.folder, "log", 1);
  const std::string new_path = text_path(task.folder, "new");
  ks::write_file_atomic(old_path, in.text());
  ks::write_file_atomic(new_path, in.text());
  ks::write_file_atomic(numbered_log_path(task.folder, "log", 0), in.text());
  ks::write_file_atomic(numbered_log_path(task.folder, "del", 1), in.text());
  ks::remove_file(text_path(task.folder, "add"));
  ks::remove_file(text_path(task.folder, "del"));

  const CheckStatus s = compare_files(task, old_path, new_path, task.folder);
  const bool wrote = ks::path_exists(text_path(task.folder, "add"));
  if (s != CheckStatus::kNoChange && s != CheckStatus::kChanged && s != CheckStatus::kAreaNotFound)
    std::abort();
  if ((s == CheckStatus::kChanged) != wrote) std::abort();
  return 0;
}
