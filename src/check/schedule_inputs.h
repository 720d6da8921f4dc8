// Gathers what the scheduler (check/schedule.h) needs from the data folder:
// the own intervals of groups (group.db) and items (site.db) and each item's
// last check time, which is the time its result.db was last written (every
// finished check writes it), so nothing new is recorded after a check.
// Reads only; the tree must not change meanwhile (a run's tree lock, or no
// run). Subtrees a scheduled check never enters (disabled nodes, the
// template folder) are not read.
#pragma once

#include <cstdint>
#include <string>

#include "app/options/schedule_options.h"
#include "check/schedule.h"
#include "store/tree.h"

namespace ks::check {

// `base_folder` ends in '/'. The clock is the system's local time.
ScheduleInput load_schedule_input(const store::Tree& tree, const std::string& base_folder,
                                  const app_options::ScheduleOptions& options, int64_t now);

// The last check time of an item folder (result.db's modification time).
std::optional<int64_t> last_check_time(const std::string& item_folder);

}  // namespace ks::check
