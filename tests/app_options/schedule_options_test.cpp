// The global schedule in kestrelscan.ini: the text forms of intervals, hours
// and days, and that the schedule's section and the options' sections leave
// each other alone when either is saved.
#include "app/options/schedule_options.h"

#include <gtest/gtest.h>

#include "app/options/options.h"
#include "platform/profile.h"

namespace ks::app_options {
namespace {

TEST(ScheduleOptions, TextFormsParseAndPrintBack) {
  EXPECT_EQ(parse_interval("15"), 15);
  EXPECT_EQ(parse_interval("90m"), 90);
  EXPECT_EQ(parse_interval("2h"), 120);
  EXPECT_EQ(parse_interval("1d"), 1440);
  EXPECT_EQ(parse_interval("1w"), 10080);
  EXPECT_EQ(parse_interval("0"), 0);
  for (const char* bad : {"", "-5", "h", "1.5h", "3x", "400d", "99999999999"}) {
    EXPECT_FALSE(parse_interval(bad)) << bad;
  }
  EXPECT_EQ(interval_text(90), "90m");
  EXPECT_EQ(interval_text(120), "2h");
  EXPECT_EQ(interval_text(2880), "2d");
  EXPECT_EQ(interval_text(10080), "1w");

  EXPECT_EQ(parse_hours("8-22"), (std::pair<int32_t, int32_t>{480, 1320}));
  EXPECT_EQ(parse_hours("22:30-06:00"), (std::pair<int32_t, int32_t>{1350, 360}));
  EXPECT_EQ(parse_hours("00:00-24:00"), (std::pair<int32_t, int32_t>{0, 0}));
  EXPECT_EQ(parse_hours(""), (std::pair<int32_t, int32_t>{0, 0}));
  for (const char* bad : {"8", "8-8", "25-3", "8:5-9", "24:00-06:00", "a-b"}) {
    EXPECT_FALSE(parse_hours(bad)) << bad;
  }
  EXPECT_EQ(hours_text(1350, 360), "22:30-06:00");
  EXPECT_EQ(hours_text(480, 0), "08:00-24:00");

  EXPECT_EQ(parse_days("mon-fri"), 0x3E);
  EXPECT_EQ(parse_days("sat-mon"), 0x43);  // wraps over the week's end
  EXPECT_EQ(parse_days("Sun, wed"), 0x09);
  EXPECT_FALSE(parse_days("mon-xyz"));
  EXPECT_EQ(days_text(0x3E), "mon-fri");
  EXPECT_EQ(days_text(0x43), "mon,sat,sun");
  EXPECT_EQ(days_text(kEveryDay), "");
}

TEST(ScheduleOptions, TheTwoWritersKeepEachOthersSections) {
  const std::string old =
      "[CONFIG]\r\nTIMEOUT=45\r\n[SCHEDULE]\r\nINTERVAL=90\r\nHOURS=22:00-06:00\r\n"
      "DAYS=fri\r\nFUTURE_KEY=x\r\n";
  const ScheduleOptions s = parse_schedule(old);
  EXPECT_EQ(s.interval, 90);
  EXPECT_EQ(s.window_start, 1320);
  EXPECT_EQ(s.days, 0x20);
  // The options never read the schedule and their writer keeps it whole.
  Options o = parse_options(old);
  EXPECT_EQ(serialize_options("", o),
            serialize_options("", parse_options("[CONFIG]\r\nTIMEOUT=45\r\n")));
  o.timeout = 20;
  const std::string saved = serialize_options(old, o);
  EXPECT_EQ(Profile::parse(saved).get("SCHEDULE", "FUTURE_KEY"), "x");
  EXPECT_EQ(parse_schedule(saved).interval, 90);
  // The schedule's writer touches its section only.
  ScheduleOptions t = s;
  t.interval = 15;
  const std::string both = serialize_schedule(saved, t);
  EXPECT_EQ(parse_options(both).timeout, 20);
  EXPECT_EQ(parse_schedule(both).interval, 15);
  EXPECT_EQ(Profile::parse(both).get("SCHEDULE", "FUTURE_KEY"), "x");
}

}  // namespace
}  // namespace ks::app_options
