#include "schedule/schedule_timer.h"

#include <algorithm>
#include <ctime>

#include "app/application.h"
#include "check/schedule.h"
#include "check/schedule_inputs.h"

namespace ks::gui {

ScheduleTimer::ScheduleTimer(app::Application& app, Starter starter, QObject* parent, Clock clock)
    : QObject(parent), app_(app), starter_(std::move(starter)), clock_(std::move(clock)) {
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::VeryCoarseTimer);
  connect(&timer_, &QTimer::timeout, this, &ScheduleTimer::fire);
}

int64_t ScheduleTimer::now() const {
  return clock_ ? clock_() : static_cast<int64_t>(std::time(nullptr));
}

check::ScheduleInput ScheduleTimer::input(int64_t t) const {
  check::ScheduleInput in =
      check::load_schedule_input(app_.tree(), app_.folders().base, options_, t);
  for (const auto& [id, at] : handed_out_) {
    auto& last = in.last_check[id];
    last = std::max(last, at);
  }
  return in;
}

void ScheduleTimer::set_paused(bool paused) {
  const bool was = paused_;
  paused_ = paused;
  rearm();
  if (was != paused_) Q_EMIT changed();
}

void ScheduleTimer::rearm() {
  timer_.stop();
  options_ = app_options::load_schedule(app_.app_folder());
  const std::optional<int64_t> before = next_due_;
  next_due_.reset();
  if (!paused_ && options_.enabled) {
    const int64_t t = now();
    next_due_ = check::compute_schedule(input(t)).next_due;
    const int64_t sleep = std::clamp<int64_t>(next_due_ ? *next_due_ - t : kMaxSleep, 0, kMaxSleep);
    timer_.start(static_cast<int>(sleep * 1000));
  }
  if (before != next_due_) Q_EMIT changed();
}

void ScheduleTimer::fire() {
  if (paused_ || !starter_) return;
  const int64_t t = now();
  const check::ScheduleResult r = check::compute_schedule(input(t));
  if (r.due.empty()) {
    rearm();
    return;
  }
  auto items = std::make_shared<std::unordered_set<store::NodeId>>(r.due.begin(), r.due.end());
  // Declined (a settings sheet is open, say): look again in a minute; a
  // check that starts meanwhile holds the timer and its end arms it again.
  if (!starter_(items)) {
    timer_.start(kRetryMs);
    return;
  }
  for (store::NodeId id : r.due) handed_out_[id] = t;
}

}  // namespace ks::gui
