#include "check/schedule.h"

#include <algorithm>
#include <ctime>

namespace ks::check {
namespace {

LocalTime from_tm(const std::tm& tm) {
  return {tm.tm_wday, tm.tm_hour * 60 + tm.tm_min, tm.tm_sec};
}

// What an item inherits on the way down: the interval and where it is set.
struct Inherited {
  int32_t interval = 0;
  IntervalSource source = IntervalSource::kWholeTree;
  store::NodeId group = store::kNoNode;
};

class Planner {
 public:
  explicit Planner(const ScheduleInput& in) : in_(in) {}

  void walk(store::NodeId id, Inherited inherited, ScheduleResult& out) const {
    const store::Node* n = in_.tree->find(id);
    if (!n) return;
    const store::NodeKind kind = n->kind();
    if (kind == store::NodeKind::kTemplateRoot || kind == store::NodeKind::kTemplate) return;
    if (kind != store::NodeKind::kRoot && (n->tag & store::kTagNoAutoCheck)) return;
    auto own = in_.intervals.find(id);
    if (kind == store::NodeKind::kGroup && own != in_.intervals.end()) {
      inherited = {own->second, IntervalSource::kGroup, id};
    }
    if (kind == store::NodeKind::kItem) {
      if (own != in_.intervals.end()) inherited = {own->second, IntervalSource::kItem, id};
      if (inherited.interval > 0) out.items.push_back(plan_item(id, inherited));
      return;
    }
    for (store::NodeId child : n->children) walk(child, inherited, out);
  }

 private:
  ItemSchedule plan_item(store::NodeId id, const Inherited& inherited) const {
    ItemSchedule s;
    s.id = id;
    s.interval = inherited.interval;
    s.source = inherited.source;
    if (inherited.source == IntervalSource::kGroup) s.source_group = inherited.group;
    auto last = in_.last_check.find(id);
    // Never checked, or checked "in the future" (the clock was set back):
    // due now. Once it has been checked its time is now, so this cannot
    // repeat within the interval.
    int64_t nominal = in_.now;
    if (last != in_.last_check.end()) {
      s.last_check = last->second;
      if (last->second <= in_.now) nominal = last->second + int64_t{inherited.interval} * 60;
    }
    s.next_due = in_.window.next_open(std::max(nominal, in_.now), in_.clock);
    s.due = in_.enabled && s.next_due && *s.next_due == in_.now;
    return s;
  }

  const ScheduleInput& in_;
};

}  // namespace

LocalTime system_local_time(int64_t t) {
  const std::time_t tt = static_cast<std::time_t>(t);
  std::tm tm{};
  localtime_r(&tt, &tm);
  return from_tm(tm);
}

LocalTime utc_time(int64_t t) {
  const std::time_t tt = static_cast<std::time_t>(t);
  std::tm tm{};
  gmtime_r(&tt, &tm);
  return from_tm(tm);
}

ScheduleWindow ScheduleWindow::of(const app_options::ScheduleOptions& s) {
  return {s.window_start, s.window_end, s.days};
}

bool ScheduleWindow::contains(int64_t t, const LocalClock& clock) const {
  const LocalTime lt = clock(t);
  const int m = lt.minute_of_day;
  int start_day = lt.weekday;
  if (start < end) {
    if (m < start || m >= end) return false;
  } else if (start > end) {
    // Across midnight: the part after midnight belongs to the day before.
    if (m < start && m >= end) return false;
    if (m < end) start_day = (lt.weekday + 6) % 7;
  }
  return (days & (1u << start_day)) != 0;
}

std::optional<int64_t> ScheduleWindow::next_open(int64_t t, const LocalClock& clock) const {
  if ((days & app_options::kEveryDay) == 0) return std::nullopt;
  int64_t x = t;
  // Each step moves to the next opening of the hours (the next midnight for
  // a whole-day window), so a week's worth of steps finds any open day; a
  // few more cover the hour a change of daylight saving time moves.
  for (int step = 0; step < 24; ++step) {
    if (contains(x, clock)) return x;
    const LocalTime lt = clock(x);
    int delta =
        (start - lt.minute_of_day + app_options::kMinutesPerDay) % app_options::kMinutesPerDay;
    if (delta == 0) delta = app_options::kMinutesPerDay;
    x = x - lt.second + int64_t{delta} * 60;
  }
  return std::nullopt;
}

ScheduleResult compute_schedule(const ScheduleInput& in) {
  ScheduleResult out;
  if (!in.tree) return out;
  Planner(in).walk(in.tree->root(), Inherited{in.whole_tree_interval}, out);
  if (!in.enabled) return out;
  for (const ItemSchedule& s : out.items) {
    if (s.due) out.due.push_back(s.id);
    if (s.next_due && (!out.next_due || *s.next_due < *out.next_due)) out.next_due = s.next_due;
  }
  return out;
}

}  // namespace ks::check
