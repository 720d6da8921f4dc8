#include <gtest/gtest.h>

#include <ctime>

#include "app/options/statistics.h"
#include "app/options/toolbar.h"
#include "app/options/window_placement.h"
#include "platform/fs.h"
#include "support/temp_dir.h"

namespace ks::app_options {
namespace {

class StateFilesTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::string app = dir.path() + "/";
  void write(const std::string& name, std::string_view bytes) {
    write_file_atomic(app + name, bytes);
  }
};

TEST(WindowPlacement, AWindowOffTheWorkAreaMovesToItsCorner) {
  const Rect wa{0, 40, 1024, 728};
  WindowPlacement wp;
  wp.left = 2000;
  wp.top = 900;
  Rect r = place_window(wp, wa);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 40);
  EXPECT_EQ(r.width, 640);
  EXPECT_EQ(r.height, 450);
}

TEST(WindowPlacement, SizesAreCutToTheWorkArea) {
  const Rect wa{100, 0, 800, 600};
  WindowPlacement wp;
  wp.left = 10;
  wp.top = 20;
  wp.cx = 5000;
  wp.cy = -1;
  Rect r = place_window(wp, wa);
  EXPECT_EQ(r.left, 110);
  EXPECT_EQ(r.top, 20);
  EXPECT_EQ(r.width, 800);
  EXPECT_EQ(r.height, 600);
  wp.left = -5;  // left of the work area
  wp.cx = 0;
  EXPECT_EQ(place_window(wp, wa).left, 100);
  EXPECT_EQ(place_window(wp, wa).width, 800);
  wp.left = 2147483647;  // sums must not overflow
  EXPECT_EQ(place_window(wp, wa).left, 100);
}

TEST_F(StateFilesTest, PlacementRoundTripsAndSkipsNegativePositions) {
  WindowPlacement wp;
  wp.left = 5;
  wp.top = 6;
  wp.cx = 700;
  wp.maximized = 1;
  wp.topmost = 1;
  ASSERT_TRUE(save_window_placement(app, wp));
  WindowPlacement back = load_window_placement(app);
  EXPECT_EQ(back.left, 5);
  EXPECT_EQ(back.cx, 700);
  EXPECT_EQ(back.maximized, 1);
  EXPECT_EQ(back.topmost, 1);
  wp.left = -20;
  wp.cx = 800;
  save_window_placement(app, wp);
  back = load_window_placement(app);
  EXPECT_EQ(back.left, 5);  // the old position stays
  EXPECT_EQ(back.cx, 800);
}

TEST_F(StateFilesTest, OlderVersionsKeptPlacementAndStatisticsInTheOptionsFile) {
  int64_t now = std::time(nullptr);
  write("kestrelscan.ini",
        "[POSITION]\r\nCX=900\r\n[CONFIG]\r\nTOPMOST=1\r\n[STATISTICS]\r\nLAST_TIME=" +
            std::to_string(now) + "\r\nNUM_SITES=12\r\n");
  EXPECT_EQ(load_window_placement(app).cx, 900);
  EXPECT_EQ(load_window_placement(app).topmost, 1);
  EXPECT_EQ(load_statistics(app, now).num_sites, 12);
  // Once the own files exist, they win; saving writes them, not the options file.
  save_window_placement(app, WindowPlacement{});
  save_statistics(app, Statistics{}, now);
  EXPECT_EQ(load_window_placement(app).cx, 640);
  EXPECT_EQ(load_statistics(app, now).num_sites, 0);
  EXPECT_NE(read_file(app + "kestrelscan.ini")->find("CX=900"), std::string::npos);
}

TEST_F(StateFilesTest, StatisticsOfAnotherDayStartAtZero) {
  int64_t now = std::time(nullptr);
  Statistics s;
  s.num_sites = 5;
  s.rx_data_bytes = int64_t{5} << 32;  // more than 32 bits survive
  ASSERT_TRUE(save_statistics(app, s, now));
  Statistics today = load_statistics(app, now);
  EXPECT_EQ(today.num_sites, 5);
  EXPECT_EQ(today.rx_data_bytes, int64_t{5} << 32);
  Statistics tomorrow = load_statistics(app, now + 2 * 86400);
  EXPECT_EQ(tomorrow.num_sites, 0);
  EXPECT_EQ(tomorrow.last_time, now + 2 * 86400);
  // A saved-yesterday file gives zeros today.
  save_statistics(app, s, now - 2 * 86400);
  EXPECT_EQ(load_statistics(app, now).num_sites, 0);
}

TEST(Statistics, TheCountersResetWhenTheDateChanges) {
  std::tm noon{};
  noon.tm_year = 126;
  noon.tm_mon = 5;
  noon.tm_mday = 15;
  noon.tm_hour = 12;
  noon.tm_isdst = -1;
  int64_t t = std::mktime(&noon);
  Statistics s;
  s.last_time = t;
  s.num_open_links = 3;
  EXPECT_FALSE(roll_statistics_day(s, t + 3600));
  EXPECT_EQ(s.num_open_links, 3);
  EXPECT_TRUE(same_local_day(t, t + 11 * 3600));
  EXPECT_FALSE(same_local_day(t, t + 13 * 3600));
  EXPECT_TRUE(roll_statistics_day(s, t + 13 * 3600));
  EXPECT_EQ(s.num_open_links, 0);
  EXPECT_EQ(s.last_time, t + 13 * 3600);
}

TEST(Toolbar, KnownNamesInFileOrderAndTheDefaultOtherwise) {
  EXPECT_EQ(parse_toolbar("CHECK\r\nbogus\r\nSPACER\nFIND\n"),
            (std::vector<std::string>{"CHECK", "SPACER", "FIND"}));
  auto def = parse_toolbar("nothing\r\ncheck\r\n");  // names compare with exact case
  EXPECT_EQ(def.size(), default_toolbar().size());
  EXPECT_EQ(def.front(), "CHECK");
  EXPECT_EQ(def.back(), "TASK_MONITOR");
  EXPECT_EQ(parse_toolbar("").size(), 20u);
  std::string many;
  for (int i = 0; i < 100; ++i) many += "junk\r\n";
  EXPECT_EQ(parse_toolbar(many + "STOP\r\n").size(), 20u);  // line 101 is not read
}

TEST_F(StateFilesTest, AMissingToolbarFileGivesTheDefaultSet) {
  EXPECT_EQ(load_toolbar(app).size(), default_toolbar().size());
  write("toolbar.db", "STOP\r\n");
  EXPECT_EQ(load_toolbar(app), std::vector<std::string>{"STOP"});
}

}  // namespace
}  // namespace ks::app_options
