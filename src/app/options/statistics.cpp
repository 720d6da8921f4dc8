#include "app/options/statistics.h"

#include <charconv>
#include <ctime>
#include <string>

#include "app/options/options.h"
#include "platform/fs.h"
#include "platform/profile.h"

namespace ks::app_options {
namespace {

constexpr std::string_view kStatisticsFile = "statistics.db";
constexpr std::string_view kSection = "STATISTICS";

int64_t get_int64(const Profile& p, std::string_view key) {
  auto v = p.get(kSection, key);
  if (!v) return 0;
  int64_t out = 0;
  const char* b = v->data();
  while (b < v->data() + v->size() && *b == '+') ++b;
  auto [ptr, ec] = std::from_chars(b, v->data() + v->size(), out);
  (void)ptr;
  return ec == std::errc() ? out : 0;  // a damaged value starts a fresh counter
}

}  // namespace

bool same_local_day(int64_t a, int64_t b) {
  std::time_t ta = static_cast<std::time_t>(a);
  std::time_t tb = static_cast<std::time_t>(b);
  std::tm la{};
  std::tm lb{};
  if (!localtime_r(&ta, &la) || !localtime_r(&tb, &lb)) return false;
  return la.tm_year == lb.tm_year && la.tm_mon == lb.tm_mon && la.tm_mday == lb.tm_mday;
}

Statistics load_statistics(std::string_view app_folder, int64_t now) {
  std::string path = path_join(app_folder, kStatisticsFile);
  if (!path_exists(path)) path = path_join(app_folder, kOptionsFile);
  Profile p = Profile::load(path);
  Statistics s;
  int64_t last = get_int64(p, "LAST_TIME");
  if (p.has_section(kSection) && same_local_day(last, now)) {
    s.trx_time = get_int64(p, "TRX_TIME");
    s.num_sites = get_int64(p, "NUM_SITES");
    s.rx_data_bytes = get_int64(p, "RX_DATA_BYTES");
    s.num_open_links = get_int64(p, "NUM_OPEN_LINKS");
  }
  s.last_time = now;
  return s;
}

bool roll_statistics_day(Statistics& s, int64_t now) {
  bool reset = !same_local_day(s.last_time, now);
  if (reset) s = Statistics{};
  s.last_time = now;
  return reset;
}

bool save_statistics(std::string_view app_folder, const Statistics& s, int64_t now) {
  std::string path = path_join(app_folder, kStatisticsFile);
  Profile p = Profile::load(path);
  p.set(kSection, "LAST_TIME", std::to_string(now));
  p.set(kSection, "TRX_TIME", std::to_string(s.trx_time));
  p.set(kSection, "NUM_SITES", std::to_string(s.num_sites));
  p.set(kSection, "RX_DATA_BYTES", std::to_string(s.rx_data_bytes));
  p.set(kSection, "NUM_OPEN_LINKS", std::to_string(s.num_open_links));
  return p.save(path);
}

}  // namespace ks::app_options
