// The comparison of one item: the previous log (log<n>.txt of the current log
// number n) against new.txt, the post-diff filters on both sides, and the
// reported lines written straight to add<n+1>.txt (and, with
// DETECT_DELETED_LINES, del<n+1>.txt), where the rotation keeps them.
// Runs on a worker thread; up to kMatrixSlots comparisons at once.
#pragma once

#include <optional>

#include "compare/compare_task.h"
#include "compare/line_list.h"

namespace ks::compare {

// Returns the check status (kNoChange, kChanged, kInitialized or
// kAreaNotFound; kSystemError when the added or deleted lines could not be
// written) and stores the current log number in task.log_number.
// `current`: the current log number when the caller has read it already.
CheckStatus compare_item(CompareTask& task, std::optional<int> current = std::nullopt);

// The same on explicit files: `old_path` as the previous log, `new_path` as
// the new text, the added and deleted lines written into `out_folder` (named
// by task.output_number). For USE_OLD_LOG the
// first earlier text is `old_path` itself, the older ones (and the del logs)
// are looked up in task.folder around task.log_number. A missing old file
// gives CheckStatus::kInitialized.
CheckStatus compare_files(const CompareTask& task, std::string_view old_path,
                          std::string_view new_path, std::string_view out_folder);

}  // namespace ks::compare
