// The desktop app's side of checks that run by themselves: a single-shot
// timer that sleeps until the next item is due (no polling), then hands the
// due items to the starter, which starts a scheduled check of them unless a
// check is going on (a user's check always wins; the end of every run calls
// rearm()). The sleep is cut to a few minutes so that a machine waking from
// suspend (the timer's clock stops meanwhile) or a changed clock is noticed
// soon; items missed while asleep are then due once.
//
// Items handed out count as checked from then on, even when their result
// could not be recorded, so a failing item is not started again and again.
// Reads the core's tree: call rearm() only while no run is going on.
// The clock is injectable for tests. UI thread only.
#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>

#include "app/options/schedule_options.h"
#include "check/item_walk.h"
#include "check/schedule.h"
#include "store/tree.h"

namespace ks::app {
class Application;
}

namespace ks::gui {

class ScheduleTimer : public QObject {
  Q_OBJECT

 public:
  using Clock = std::function<int64_t()>;  // seconds since the epoch
  // Starts a scheduled check of the items; false when it cannot now (a
  // check is going on).
  using Starter = std::function<bool(const check::ItemSet&)>;
  // The longest sleep before the schedule is looked at again (seconds).
  static constexpr int64_t kMaxSleep = 5 * 60;
  // How soon items the window could not start are offered again.
  static constexpr int kRetryMs = 60 * 1000;

  ScheduleTimer(app::Application& app, Starter starter, QObject* parent = nullptr,
                Clock clock = {});

  // Reads the schedule and the tree again and sleeps until the next due
  // time (fires at once when items are due now).
  void rearm();
  // Tests: a clock of their own (then rearm()).
  void set_clock(Clock clock) { clock_ = std::move(clock); }
  // A check is starting: sleep until rearm() (the tree belongs to the run).
  void hold() { timer_.stop(); }
  void set_paused(bool paused);
  bool paused() const { return paused_; }
  // The next scheduled check (nullopt: none, paused, or the schedule off).
  std::optional<int64_t> next_due() const { return next_due_; }
  const app_options::ScheduleOptions& options() const { return options_; }
  // The timer's current sleep in milliseconds (-1 when it is not armed).
  int sleep_ms() const { return timer_.isActive() ? timer_.interval() : -1; }

 Q_SIGNALS:
  // next_due() or paused() changed (the tray's tooltip).
  void changed();

 private:
  void fire();
  int64_t now() const;
  check::ScheduleInput input(int64_t t) const;

  app::Application& app_;
  Starter starter_;
  Clock clock_;
  QTimer timer_;
  bool paused_ = false;
  app_options::ScheduleOptions options_;
  std::optional<int64_t> next_due_;
  std::unordered_map<store::NodeId, int64_t> handed_out_;
};

}  // namespace ks::gui
