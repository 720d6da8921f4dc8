// The scheduler as a pure function (intervals inherited and overridden,
// disabled nodes, the window across midnight and weekdays, a long sleep
// giving one run, the next due time, and the property that no item is due
// twice within its interval) and the scheduled check kind's walk.
#include "check/schedule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "check/item_walk.h"
#include "store/node.h"
#include "store/tree.h"

namespace ks::check {
namespace {

using store::NodeId;
using store::NodeKind;

// 2026-12-07 is a Monday; times are UTC through utc_time.
constexpr int64_t kMonday = 1796601600;
constexpr int64_t kHour = 3600;
constexpr int64_t kDay = 24 * kHour;

struct Fixture {
  store::Tree tree;
  NodeId root, news, sub, a, b, c, off_item, off_group, hidden, tpl;
  Fixture() {
    root = tree.add_root();
    news = tree.add(root, NodeKind::kGroup, "news");
    a = tree.add(news, NodeKind::kItem, "a");
    sub = tree.add(news, NodeKind::kGroup, "sub");
    b = tree.add(sub, NodeKind::kItem, "b");
    c = tree.add(root, NodeKind::kItem, "c");
    off_item = tree.add(root, NodeKind::kItem, "off", store::kTagNoAutoCheck);
    off_group = tree.add(root, NodeKind::kGroup, "offg", store::kTagNoAutoCheck);
    hidden = tree.add(off_group, NodeKind::kItem, "hidden");
    const NodeId troot = tree.add(root, NodeKind::kTemplateRoot, "t");
    tpl = tree.add(troot, NodeKind::kTemplate, "tpl");
  }
  ScheduleInput input(int64_t now) const {
    ScheduleInput in;
    in.tree = &tree;
    in.now = now;
    in.clock = utc_time;
    return in;
  }
};

const ItemSchedule* find(const ScheduleResult& r, NodeId id) {
  for (const ItemSchedule& s : r.items) {
    if (s.id == id) return &s;
  }
  return nullptr;
}

TEST(Schedule, IntervalsAreInheritedOverriddenAndDisabledNodesLeftOut) {
  Fixture f;
  ScheduleInput in = f.input(kMonday + 12 * kHour);
  in.whole_tree_interval = 60;
  in.intervals = {{f.news, 15}, {f.b, 1440}, {f.c, 0}, {f.hidden, 5}, {f.tpl, 5}};
  for (NodeId id : {f.a, f.b, f.c, f.off_item, f.hidden, f.tpl}) in.last_check[id] = in.now;
  const ScheduleResult r = compute_schedule(in);

  ASSERT_EQ(r.items.size(), 2u);  // c has 0, the rest are disabled or templates
  const ItemSchedule* a = find(r, f.a);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->interval, 15);
  EXPECT_EQ(a->source, IntervalSource::kGroup);
  EXPECT_EQ(a->source_group, f.news);
  EXPECT_EQ(a->next_due, in.now + 15 * 60);
  const ItemSchedule* b = find(r, f.b);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->source, IntervalSource::kItem);
  EXPECT_EQ(b->next_due, in.now + kDay);
  EXPECT_TRUE(r.due.empty());
  EXPECT_EQ(r.next_due, in.now + 15 * 60);

  // The whole tree's interval reaches items without their own; never
  // checked means due now.
  in.intervals = {};
  in.last_check.erase(f.c);
  const ScheduleResult all = compute_schedule(in);
  EXPECT_EQ(all.items.size(), 3u);
  EXPECT_EQ(all.due, std::vector<NodeId>{f.c});
  EXPECT_EQ(all.next_due, in.now);

  // Off: nothing is due and there is no next time.
  in.enabled = false;
  const ScheduleResult off = compute_schedule(in);
  EXPECT_TRUE(off.due.empty());
  EXPECT_FALSE(off.next_due);
}

TEST(Schedule, WindowAcrossMidnightBelongsToTheDayItStartsOn) {
  ScheduleWindow w;
  w.start = 22 * 60;
  w.end = 6 * 60;
  ASSERT_TRUE(app_options::parse_days("fri"));
  w.days = *app_options::parse_days("fri");
  const int64_t friday = kMonday + 4 * kDay;
  EXPECT_TRUE(w.contains(friday + 23 * kHour, utc_time));
  EXPECT_TRUE(w.contains(friday + kDay + 5 * kHour, utc_time));  // Saturday 05:00
  EXPECT_FALSE(w.contains(friday + kDay + 6 * kHour, utc_time));
  EXPECT_FALSE(w.contains(friday + 5 * kHour, utc_time));  // Thursday's night
  EXPECT_FALSE(w.contains(friday + 21 * kHour, utc_time));
  // From Monday noon the window next opens on Friday at 22:00.
  EXPECT_EQ(w.next_open(kMonday + 12 * kHour + 17, utc_time), friday + 22 * kHour);
  EXPECT_EQ(w.next_open(friday + 23 * kHour, utc_time), friday + 23 * kHour);

  ScheduleWindow weekdays;
  weekdays.start = 8 * 60;
  weekdays.end = 18 * 60;
  weekdays.days = *app_options::parse_days("mon-fri");
  // Friday 19:00 -> Monday 08:00.
  EXPECT_EQ(weekdays.next_open(friday + 19 * kHour, utc_time), kMonday + 7 * kDay + 8 * kHour);
  ScheduleWindow never;
  never.days = 0;
  EXPECT_FALSE(never.next_open(kMonday, utc_time));
}

TEST(Schedule, ASleepOverManySlotsGivesOneRunAndTheWindowDefersIt) {
  Fixture f;
  ScheduleInput in = f.input(kMonday + 9 * kHour);
  in.intervals = {{f.a, 30}};
  in.last_check[f.a] = in.now - 10 * kHour;  // twenty slots missed
  EXPECT_EQ(compute_schedule(in).due, std::vector<NodeId>{f.a});
  in.last_check[f.a] = in.now;  // checked once
  for (int64_t later = 1; later < 30 * 60; later += 97) {
    in.now = kMonday + 9 * kHour + later;
    EXPECT_TRUE(compute_schedule(in).due.empty()) << later;
  }

  // Outside the window the item waits for it to open, then is due once.
  in.window.start = 8 * 60;
  in.window.end = 18 * 60;
  in.last_check[f.a] = kMonday + 17 * kHour + 50 * 60;
  in.now = kMonday + 20 * kHour;
  const ScheduleResult r = compute_schedule(in);
  EXPECT_TRUE(r.due.empty());
  EXPECT_EQ(r.next_due, kMonday + kDay + 8 * kHour);
  // A clock set back behind the last check does not keep the item waiting.
  in.now = kMonday + 10 * kHour;
  EXPECT_EQ(compute_schedule(in).due, std::vector<NodeId>{f.a});
}

// Random trees, intervals, windows and clock steps (with long sleeps): every
// item that is due is checked at once, and no item is ever due again before
// its interval has passed since it was due.
TEST(Schedule, PropertyNoItemIsDueTwiceWithinItsInterval) {
  std::mt19937 rng(21);
  for (int round = 0; round < 40; ++round) {
    store::Tree tree;
    std::vector<NodeId> groups{tree.add_root()};
    std::vector<NodeId> items;
    ScheduleInput in;
    in.tree = &tree;
    in.clock = utc_time;
    for (int i = 0; i < 30; ++i) {
      const NodeId parent = groups[rng() % groups.size()];
      const bool group = rng() % 3 == 0;
      const uint32_t tag = rng() % 10 == 0 ? store::kTagNoAutoCheck : 0;
      const NodeId id = tree.add(parent, group ? NodeKind::kGroup : NodeKind::kItem,
                                 "n" + std::to_string(i), tag);
      (group ? groups : items).push_back(id);
      if (rng() % 2 == 0) in.intervals[id] = static_cast<int32_t>(1 + rng() % 240);
    }
    in.whole_tree_interval = static_cast<int32_t>(rng() % 120);
    if (rng() % 2) {
      in.window.start = static_cast<int32_t>(rng() % 1440);
      in.window.end = static_cast<int32_t>(rng() % 1440);
      in.window.days = static_cast<uint8_t>(1 + rng() % 127);
    }
    in.now = kMonday + static_cast<int64_t>(rng() % kDay);
    std::map<NodeId, int64_t> due_at;
    for (int step = 0; step < 300; ++step) {
      const ScheduleResult r = compute_schedule(in);
      for (NodeId id : r.due) {
        const ItemSchedule* s = find(r, id);
        ASSERT_TRUE(s);
        if (due_at.count(id)) {
          ASSERT_GE(in.now - due_at[id], int64_t{s->interval} * 60)
              << "round " << round << " step " << step;
        }
        due_at[id] = in.now;
        in.last_check[id] = in.now;
      }
      if (r.next_due) {
        ASSERT_GE(*r.next_due, in.now);
      }
      in.now += rng() % 8 == 0 ? static_cast<int64_t>(rng() % (3 * kDay))
                               : static_cast<int64_t>(rng() % 1800);
    }
  }
}

TEST(Schedule, TheScheduledKindWalksExactlyTheDueItems) {
  Fixture f;
  auto only = std::make_shared<std::unordered_set<NodeId>>(std::unordered_set<NodeId>{f.b, f.c});
  ItemWalk walk(f.tree, "/nonexistent/", f.root, CheckKind::kScheduled, false);
  walk.restrict_to(only);
  EXPECT_EQ(walk.count_items(), 2);
  ItemWalk none(f.tree, "/nonexistent/", f.root, CheckKind::kScheduled, false);
  EXPECT_EQ(none.count_items(), 0);  // no set: nothing
}

}  // namespace
}  // namespace ks::check
