// The progress line that `check` keeps on a terminal's stderr: the items
// done of the total, then the items in transfer with the seconds of their
// current wait (from the task table's live counters), the longest waits
// first, so a hanging server shows. Cut to the terminal's width.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "check/run.h"

namespace ks::cli {

// Item paths (Shift_JIS) by node id.
using PathMap = std::unordered_map<uint64_t, std::string>;

// "[done/total] in transfer: news/index 12s, blog 3s" (UTF-8), cut to the
// width of the terminal on stderr. Reads only the run's counters and task
// table, which any thread may read while the run goes on.
std::string progress_line(const check::CheckRun& run, int total, const PathMap& paths);

// The longest start of `utf8` that fits in `columns` terminal columns (East
// Asian wide characters take two), ending in "…" when it was cut.
std::string fit_columns(const std::string& utf8, int columns);
// The terminal columns `utf8` takes.
int text_columns(const std::string& utf8);

}  // namespace ks::cli
