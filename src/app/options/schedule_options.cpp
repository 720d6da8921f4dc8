#include "app/options/schedule_options.h"

#include <array>
#include <charconv>
#include <tuple>

#include "app/options/options.h"
#include "platform/fs.h"
#include "platform/profile.h"

namespace ks::app_options {
namespace {

constexpr std::array<std::string_view, 7> kDayNames = {"sun", "mon", "tue", "wed",
                                                       "thu", "fri", "sat"};

std::optional<int32_t> parse_number(std::string_view text) {
  int32_t v = 0;
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, v);
  if (ec != std::errc() || p != end || text.empty()) return std::nullopt;
  return v;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// "HH" or "HH:MM" -> minutes of the day (0..1440).
std::optional<int32_t> parse_clock(std::string_view text) {
  text = trim(text);
  const auto colon = text.find(':');
  auto h = parse_number(text.substr(0, colon));
  std::optional<int32_t> m = 0;
  if (colon != std::string_view::npos) {
    if (text.size() - colon != 3) return std::nullopt;
    m = parse_number(text.substr(colon + 1));
  }
  if (!h || !m || *h < 0 || *h > 24 || *m < 0 || *m > 59) return std::nullopt;
  const int32_t v = *h * 60 + *m;
  return v <= kMinutesPerDay ? std::optional<int32_t>(v) : std::nullopt;
}

std::optional<int> day_index(std::string_view name) {
  name = trim(name);
  for (std::size_t i = 0; i < kDayNames.size(); ++i) {
    if (name.size() == 3 && profile_name_equal(name, kDayNames[i])) return static_cast<int>(i);
  }
  return std::nullopt;
}

std::string two_digits(int32_t v) {
  return (v < 10 ? "0" : "") + std::to_string(v);
}

int32_t int_or(const Profile& p, std::string_view key, int32_t fallback) {
  auto v = p.get(kScheduleSection, key);
  if (!v) return fallback;
  auto n = parse_number(trim(*v));
  return n ? *n : fallback;
}

}  // namespace

std::optional<int32_t> parse_interval(std::string_view text) {
  text = trim(text);
  if (text.empty()) return std::nullopt;
  int32_t unit = 1;
  switch (text.back()) {
    case 'm':
      unit = 1;
      break;
    case 'h':
      unit = 60;
      break;
    case 'd':
      unit = kMinutesPerDay;
      break;
    case 'w':
      unit = 7 * kMinutesPerDay;
      break;
    default:
      unit = 0;
  }
  if (unit != 0) text.remove_suffix(1);
  if (unit == 0) unit = 1;
  auto n = parse_number(text);
  if (!n || *n < 0 || *n > kMaxIntervalMinutes / unit) return std::nullopt;
  return *n * unit;
}

std::string interval_text(int32_t minutes) {
  if (minutes <= 0) return "0";
  if (minutes % (7 * kMinutesPerDay) == 0)
    return std::to_string(minutes / (7 * kMinutesPerDay)) + "w";
  if (minutes % kMinutesPerDay == 0) return std::to_string(minutes / kMinutesPerDay) + "d";
  if (minutes % 60 == 0) return std::to_string(minutes / 60) + "h";
  return std::to_string(minutes) + "m";
}

std::optional<std::pair<int32_t, int32_t>> parse_hours(std::string_view text) {
  text = trim(text);
  if (text.empty()) return std::pair<int32_t, int32_t>{0, 0};
  const auto dash = text.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  auto start = parse_clock(text.substr(0, dash));
  auto end = parse_clock(text.substr(dash + 1));
  // An empty window would never open; "24:00" is an end only.
  if (!start || !end || *start == *end || *start == kMinutesPerDay) return std::nullopt;
  if (*end == kMinutesPerDay) *end = 0;
  if (*start == *end) return std::pair<int32_t, int32_t>{0, 0};  // 00:00-24:00
  return std::pair<int32_t, int32_t>{*start, *end};
}

std::string hours_text(int32_t start, int32_t end) {
  if (start == end) return {};
  auto clock = [](int32_t m) { return two_digits(m / 60) + ":" + two_digits(m % 60); };
  return clock(start) + "-" + (end == 0 ? std::string("24:00") : clock(end));
}

std::optional<uint8_t> parse_days(std::string_view text) {
  text = trim(text);
  if (text.empty()) return kEveryDay;
  uint8_t days = 0;
  while (!text.empty()) {
    const auto comma = text.find(',');
    std::string_view part = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    const auto dash = part.find('-');
    auto first = day_index(part.substr(0, dash));
    auto last = dash == std::string_view::npos ? first : day_index(part.substr(dash + 1));
    if (!first || !last) return std::nullopt;
    for (int d = *first;; d = (d + 1) % 7) {
      days = static_cast<uint8_t>(days | (1u << d));
      if (d == *last) break;
    }
  }
  return days;
}

std::string days_text(uint8_t days) {
  days &= kEveryDay;
  if (days == kEveryDay || days == 0) return {};
  // Runs of days in the order Monday .. Sunday, so "mon-fri" reads back as
  // it was written; three or more days in a row make a range.
  auto on = [days](int k) { return k < 7 && (days & (1u << ((k + 1) % 7))) != 0; };
  auto name = [](int k) { return std::string(kDayNames[static_cast<std::size_t>((k + 1) % 7)]); };
  std::string out;
  for (int k = 0; k < 7; ++k) {
    if (!on(k)) continue;
    int end = k;
    while (on(end + 1)) ++end;
    if (!out.empty()) out += ',';
    out += name(k);
    if (end - k >= 2) out += "-" + name(end);
    if (end - k == 1) out += "," + name(end);
    k = end;
  }
  return out;
}

ScheduleOptions parse_schedule(std::string_view ini_bytes) {
  const Profile p = Profile::parse(ini_bytes);
  ScheduleOptions s;
  s.enabled = int_or(p, "ENABLED", s.enabled) != 0 ? 1 : 0;
  if (auto v = p.get(kScheduleSection, "INTERVAL")) {
    if (auto m = parse_interval(*v)) s.interval = *m;
  }
  if (auto v = p.get(kScheduleSection, "HOURS")) {
    if (auto h = parse_hours(*v)) std::tie(s.window_start, s.window_end) = *h;
  }
  if (auto v = p.get(kScheduleSection, "DAYS")) {
    if (auto d = parse_days(*v)) s.days = *d;
  }
  s.notify = int_or(p, "NOTIFY", s.notify) != 0 ? 1 : 0;
  s.notify_errors = int_or(p, "NOTIFY_ERRORS", s.notify_errors) != 0 ? 1 : 0;
  return s;
}

ScheduleOptions load_schedule(std::string_view app_folder) {
  auto bytes = read_file(path_join(app_folder, kOptionsFile));
  return parse_schedule(bytes ? std::string_view(*bytes) : std::string_view());
}

std::string serialize_schedule(std::string_view old_ini_bytes, const ScheduleOptions& s) {
  Profile p = Profile::parse(old_ini_bytes);
  for (const ScheduleKey& k : schedule_keys()) {
    // Intervals are stored as plain minutes, which any reader can take.
    const bool interval = std::string_view(k.name) == "INTERVAL";
    p.set(kScheduleSection, k.name,
          interval ? std::to_string(s.interval) : schedule_key_text(k, s));
  }
  return p.serialize();
}

bool save_schedule(std::string_view app_folder, const ScheduleOptions& s) {
  const std::string path = path_join(app_folder, kOptionsFile);
  auto old = read_file(path);
  return write_file_atomic(path, serialize_schedule(old ? std::string_view(*old) : "", s));
}

const std::vector<ScheduleKey>& schedule_keys() {
  static const std::vector<ScheduleKey> keys = {
      {"ENABLED", "0 or 1"},
      {"INTERVAL", "minutes, or 15m, 2h, 1d, 1w; 0 for none"},
      {"HOURS", "HH:MM-HH:MM, or empty for any hour"},
      {"DAYS", "days such as mon-fri,sun, or empty for every day"},
      {"NOTIFY", "0 or 1"},
      {"NOTIFY_ERRORS", "0 or 1"},
  };
  return keys;
}

const ScheduleKey* find_schedule_key(std::string_view name) {
  for (const ScheduleKey& k : schedule_keys()) {
    if (name == k.name) return &k;
  }
  return nullptr;
}

std::string schedule_key_text(const ScheduleKey& key, const ScheduleOptions& s) {
  const std::string_view n = key.name;
  if (n == "ENABLED") return std::to_string(s.enabled);
  if (n == "INTERVAL") return interval_text(s.interval);
  if (n == "HOURS") return hours_text(s.window_start, s.window_end);
  if (n == "DAYS") return days_text(s.days);
  if (n == "NOTIFY") return std::to_string(s.notify);
  if (n == "NOTIFY_ERRORS") return std::to_string(s.notify_errors);
  return {};
}

bool set_schedule_key(const ScheduleKey& key, ScheduleOptions& s, std::string_view text) {
  const std::string_view n = key.name;
  if (n == "INTERVAL") {
    auto m = parse_interval(text);
    if (!m) return false;
    s.interval = *m;
  } else if (n == "HOURS") {
    auto h = parse_hours(text);
    if (!h) return false;
    std::tie(s.window_start, s.window_end) = *h;
  } else if (n == "DAYS") {
    auto d = parse_days(text);
    if (!d) return false;
    s.days = *d;
  } else {
    const std::string_view t = trim(text);
    if (t != "0" && t != "1") return false;
    const int32_t v = t == "1" ? 1 : 0;
    if (n == "ENABLED") s.enabled = v;
    if (n == "NOTIFY") s.notify = v;
    if (n == "NOTIFY_ERRORS") s.notify_errors = v;
  }
  return true;
}

}  // namespace ks::app_options
