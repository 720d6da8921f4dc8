// What the schedule commands share: the schedule of the data folder as the
// core computes it now, and times as the CLI prints them.
#pragma once

#include <cstdint>
#include <string>

#include "app/options/schedule_options.h"
#include "app_context.h"
#include "check/schedule.h"

namespace ks::cli {

struct LoadedSchedule {
  app_options::ScheduleOptions options;
  check::ScheduleResult result;
  int64_t now = 0;
};
LoadedSchedule load_data_folder_schedule(const App& app);

// Whether `id` is `top` or lies below it.
bool is_below(const store::Tree& tree, store::NodeId id, store::NodeId top);

// "2026-12-08 14:05" in local time.
std::string local_time_text(int64_t t);

}  // namespace ks::cli
