// The global schedule of checks that run by themselves, kept in
// kestrelscan.ini in a section of its own, [SCHEDULE], so that its keys can
// never meet the keys of the other sections and every reader that does not
// know the section passes over it. The options writer keeps sections it does
// not write, and save_schedule() rewrites this section only.
//
//   ENABLED        1: checks run by themselves (0: the schedule is off)
//   INTERVAL       minutes between checks of the whole tree; 0 or absent:
//                  only groups and items with an interval of their own
//   HOURS          "HH:MM-HH:MM", the local hours in which scheduled checks
//                  start (an end before the start runs across midnight);
//                  empty: any hour
//   DAYS           "mon-fri,sun": the weekdays on which a window starts;
//                  empty: every day
//   NOTIFY         1: a desktop notification for a run that found updates
//   NOTIFY_ERRORS  1: ... also for a run with errors
//
// Intervals are written as minutes; the text forms "15m", "2h", "1d", "1w"
// are accepted by the editors and shown by them. A plain value; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ks::app_options {

inline constexpr std::string_view kScheduleSection = "SCHEDULE";
// The longest interval: a year.
inline constexpr int32_t kMaxIntervalMinutes = 366 * 24 * 60;
inline constexpr int32_t kMinutesPerDay = 24 * 60;
inline constexpr uint8_t kEveryDay = 0x7F;  // bit 0 Sunday .. bit 6 Saturday

struct ScheduleOptions {
  int32_t enabled = 1;
  int32_t interval = 0;  // minutes, 0: the whole tree has no interval
  // The window in minutes of the day; start == end: the whole day.
  int32_t window_start = 0;
  int32_t window_end = 0;
  uint8_t days = kEveryDay;
  int32_t notify = 1;
  int32_t notify_errors = 0;

  bool all_day() const { return window_start == window_end; }
};

ScheduleOptions parse_schedule(std::string_view ini_bytes);
// Reads [SCHEDULE] of kestrelscan.ini in the application folder (ends in
// '/'); a missing file or section gives the defaults.
ScheduleOptions load_schedule(std::string_view app_folder);
// Rewrites [SCHEDULE] only, replacing the file atomically.
[[nodiscard]] bool save_schedule(std::string_view app_folder, const ScheduleOptions& s);
std::string serialize_schedule(std::string_view old_ini_bytes, const ScheduleOptions& s);

// "15", "15m", "2h", "1d", "1w" -> minutes in 0..kMaxIntervalMinutes;
// nullopt for anything else.
std::optional<int32_t> parse_interval(std::string_view text);
// Minutes in the largest whole unit: "15m", "2h", "1d", "1w"; "0" for 0.
std::string interval_text(int32_t minutes);

// "HH:MM-HH:MM" (minutes optional, "24:00" only as the end; start != end);
// the empty text is the whole day. nullopt when malformed.
std::optional<std::pair<int32_t, int32_t>> parse_hours(std::string_view text);
std::string hours_text(int32_t start, int32_t end);
// "mon-fri,sun" (English three-letter names, ranges may wrap: "sat-mon");
// the empty text is every day. nullopt when malformed.
std::optional<uint8_t> parse_days(std::string_view text);
std::string days_text(uint8_t days);

// The keys as the command line names them (SCHEDULE.KEY), in write order.
struct ScheduleKey {
  const char* name;   // "INTERVAL"
  const char* usage;  // what a value looks like, for messages
};
const std::vector<ScheduleKey>& schedule_keys();
const ScheduleKey* find_schedule_key(std::string_view name);
// The text of a key as editors show it and take it back ("2h" for an
// interval; "" for an unknown name).
std::string schedule_key_text(const ScheduleKey& key, const ScheduleOptions& s);
// Parses and stores a value; false (nothing changed) when it is malformed.
bool set_schedule_key(const ScheduleKey& key, ScheduleOptions& s, std::string_view text);

}  // namespace ks::app_options
