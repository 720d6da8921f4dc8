// When checks run by themselves: which items are due now and when the next
// one will be. A pure function of the tree, the settings, the items' last
// check times and the time now, so a front end that runs scheduled checks
// (the desktop app's timer, `kestrelscan-cli check --due`) only gathers the
// inputs (check/schedule_inputs.h) and acts on the answer.
//
// An item's interval is its own, else that of its nearest group that has
// one, else the whole tree's; 0 anywhere on that road means "never by the
// schedule". Items and groups with DISABLE_AUTO_CHECK (tag bit) and the
// template folder are passed over with everything below them, as a check of
// the whole tree passes over them. An item is due when its interval has run
// out since its last check (or it was never checked) and the time lies in
// the global window. Because "due" is measured from the last check, a
// machine that slept over several intervals finds the item due once, and
// once it has been checked it is not due again before its interval is over.
//
// Times are seconds since the epoch; the window is in local time, through a
// LocalClock so tests can fix the time zone.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

#include "app/options/schedule_options.h"
#include "store/tree.h"

namespace ks::check {

struct LocalTime {
  int weekday = 0;        // 0 Sunday .. 6 Saturday
  int minute_of_day = 0;  // 0 .. 1439
  int second = 0;         // 0 .. 60
};
using LocalClock = std::function<LocalTime(int64_t)>;
// The system's local time (localtime_r); tests use utc_time().
LocalTime system_local_time(int64_t t);
LocalTime utc_time(int64_t t);

// The hours and days in which scheduled checks start. A window whose end
// is before its start runs across midnight and belongs to the day it starts
// on (Friday 22:00-06:00 ends on Saturday morning).
struct ScheduleWindow {
  int32_t start = 0;  // minutes of the day; start == end: the whole day
  int32_t end = 0;
  uint8_t days = app_options::kEveryDay;  // bit 0 Sunday .. bit 6 Saturday

  static ScheduleWindow of(const app_options::ScheduleOptions& s);
  bool contains(int64_t t, const LocalClock& clock) const;
  // The first second at or after `t` inside the window; nullopt when the
  // window never opens (no day chosen).
  std::optional<int64_t> next_open(int64_t t, const LocalClock& clock) const;
};

struct ScheduleInput {
  const store::Tree* tree = nullptr;
  bool enabled = true;
  int32_t whole_tree_interval = 0;  // minutes; 0: none
  ScheduleWindow window;
  // Own intervals of groups and items (minutes; 0: never by the schedule).
  std::unordered_map<store::NodeId, int32_t> intervals;
  // Last check times of items; an item missing here was never checked.
  std::unordered_map<store::NodeId, int64_t> last_check;
  int64_t now = 0;
  LocalClock clock = system_local_time;
};

enum class IntervalSource { kItem, kGroup, kWholeTree };

struct ItemSchedule {
  store::NodeId id = store::kNoNode;
  int32_t interval = 0;  // minutes, > 0
  IntervalSource source = IntervalSource::kWholeTree;
  store::NodeId source_group = store::kNoNode;  // for kGroup
  std::optional<int64_t> last_check;
  std::optional<int64_t> next_due;  // nullopt: the window never opens
  bool due = false;                 // due now (next_due == now)
};

struct ScheduleResult {
  // Every item on a schedule, in tree order.
  std::vector<ItemSchedule> items;
  // The items due now, in tree order.
  std::vector<store::NodeId> due;
  // The earliest next_due of all items (now when some are due); nullopt
  // when nothing is on a schedule or the schedule is off.
  std::optional<int64_t> next_due;
};

ScheduleResult compute_schedule(const ScheduleInput& in);

}  // namespace ks::check
