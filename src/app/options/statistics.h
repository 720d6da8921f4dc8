// statistics.db: today's traffic counters (section STATISTICS). Loaded at
// start-up only when they were saved today (same local date); reset when the
// date changes during a run; all five keys written at shut-down. When
// statistics.db does not exist the keys are read from kestrelscan.ini, where
// older versions kept them.
#pragma once

#include <cstdint>
#include <string_view>

namespace ks::app_options {

struct Statistics {
  int64_t last_time = 0;       // LAST_TIME: seconds since 1970 the counters belong to
  int64_t trx_time = 0;        // TRX_TIME
  int64_t num_sites = 0;       // NUM_SITES
  int64_t rx_data_bytes = 0;   // RX_DATA_BYTES
  int64_t num_open_links = 0;  // NUM_OPEN_LINKS
};

// True when both times fall on the same day, month and year in local time.
bool same_local_day(int64_t a, int64_t b);

// The saved counters when saved on the day of `now`, else zeros; last_time
// is `now` either way.
Statistics load_statistics(std::string_view app_folder, int64_t now);
// Zeroes the counters when `now` is on another day than last_time; sets
// last_time to now. True when they were reset.
bool roll_statistics_day(Statistics& s, int64_t now);
// Writes all five keys with LAST_TIME = now.
bool save_statistics(std::string_view app_folder, const Statistics& s, int64_t now);

}  // namespace ks::app_options
