// Comparison rules: which lines take part (areas, blank lines) and which
// reported lines survive the filters.
#include <string>
#include <vector>

#include "compare/area_state.h"
#include "compare/filters.h"
#include "compare/url_marks.h"
#include "compare_fixture.h"
#include "platform/sjis.h"

namespace ks::compare::test {
namespace {

// Which lines of `text` an area state marks inside ('1') or not ('0').
std::string inside(const store::PageSettings& s, const Lines& text) {
  AreaState area(s, RegexLibrary::shared(), &decode_basic_references);
  std::string out;
  for (const auto& l : text) out += area.feed(l) ? '1' : '0';
  return out;
}

store::PageSettings check_area(const char* start, const char* end, int st, int et, int rep) {
  store::PageSettings s;
  s.check_areas[0] = {start, end, st, et, rep};
  return s;
}

TEST(AreaState, StartAndEndTypes) {
  const Lines text{"a", "S", "b", "E", "c"};
  EXPECT_EQ(inside(check_area("S", "E", 0, 0, 0), text), "01110");
  EXPECT_EQ(inside(check_area("S", "E", 0, 1, 0), text), "01100");
  EXPECT_EQ(inside(check_area("S", "E", 1, 0, 0), text), "00110");
  EXPECT_EQ(inside(check_area("S", "E", 1, 1, 0), text), "00100");
}

TEST(AreaState, StartAndEndOnOneLine) {
  const Lines text{"a", "S E", "b"};
  EXPECT_EQ(inside(check_area("S", "E", 0, 0, 0), text), "010");
  EXPECT_EQ(inside(check_area("S", "E", 0, 1, 0), text), "000");
  // With "from the next line" the end is not looked for on the start line.
  EXPECT_EQ(inside(check_area("S", "E", 1, 0, 0), text), "001");
}

TEST(AreaState, RepeatFlag) {
  const Lines text{"S", "x", "E", "y", "S", "z", "E"};
  EXPECT_EQ(inside(check_area("S", "E", 0, 0, 0), text), "1110000");
  EXPECT_EQ(inside(check_area("S", "E", 0, 0, 1), text), "1110111");
}

TEST(AreaState, EachAreaHasItsOwnRepeatFlag) {
  store::PageSettings s;
  s.check_areas[0] = {"A", "E", 0, 0, 0};
  s.check_areas[1] = {"B", "E", 0, 0, 1};
  const Lines text{"A", "E", "x", "A", "E", "B", "E", "B", "E"};
  EXPECT_EQ(inside(s, text), "110001111");
}

TEST(AreaState, EmptyStartCoversTheTopOfTheText) {
  EXPECT_EQ(inside(check_area("", "E", 0, 0, 0), Lines{"a", "b", "E", "c"}), "1110");
  EXPECT_EQ(inside(check_area("", "E", 0, 1, 0), Lines{"a", "b", "E", "c"}), "1100");
}

TEST(AreaState, OnlyIgnoredAreas) {
  store::PageSettings s;
  s.ignore_areas[0] = {"I", "J", 0, 0, 0};
  EXPECT_EQ(inside(s, Lines{"a", "I", "b", "J", "c"}), "10001");
  s.ignore_areas[0] = {"I", "J", 1, 1, 0};  // from the next line, to the line before
  EXPECT_EQ(inside(s, Lines{"a", "I", "b", "J", "c"}), "11011");
  s.ignore_areas[0] = {"", "J", 0, 0, 0};  // no start text: no effect
  EXPECT_EQ(inside(s, Lines{"a", "J", "c"}), "111");
}

TEST(AreaState, IgnoredAreaInsideCheckArea) {
  store::PageSettings s = check_area("S", "E", 0, 0, 0);
  s.ignore_areas[1] = {"I", "J", 0, 0, 0};
  EXPECT_EQ(inside(s, Lines{"I", "S", "a", "I", "b", "J", "c", "E", "d"}), "011000110");
}

TEST(AreaState, MatchesDecodedReferences) {
  EXPECT_EQ(inside(check_area("a&b", "", 0, 0, 0), Lines{"x", "a&amp;b", "y"}), "011");
}

TEST(AreaState, NoAreasAlwaysInside) {
  store::PageSettings s;
  AreaState area(s, RegexLibrary::shared(), &decode_basic_references);
  EXPECT_TRUE(area.found());
  EXPECT_TRUE(area.feed("x"));
}

TEST(UrlMarks, MarksAndRestores) {
  std::string l = "<img src=\"i.png\"><a href=\"http://h/\">t</a><a href=x>";
  mark_urls(l, true, true);
  EXPECT_EQ(l, "<img src=\x02i.png\x03><a href=\x01http://h/\x03>t</a><a href=x>");
  restore_quotes(l.data(), l.size());
  EXPECT_EQ(l, "<img src=\"i.png\"><a href=\"http://h/\">t</a><a href=x>");
  std::string open = "<a href=\"unclosed";
  mark_urls(open, false, true);
  EXPECT_EQ(open, "<a href=\x01unclosed");
}

bool dropped(const store::PageSettings& s, std::string line, std::string_view host = "h") {
  return ignored_line(s, line, host);
}

TEST(IgnoredLine, Kinds) {
  store::PageSettings s;
  EXPECT_TRUE(dropped(s, "   "));
  EXPECT_FALSE(dropped(s, "x"));

  s.ignore_number_only_line = 1;
  EXPECT_TRUE(dropped(s, "2024.10.01"));
  EXPECT_TRUE(dropped(s, "1,234"));
  EXPECT_FALSE(dropped(s, "..."));
  EXPECT_FALSE(dropped(s, "12a"));

  s = {};
  s.ignore_no_japanese_line = 1;
  EXPECT_TRUE(dropped(s, "abc"));
  EXPECT_FALSE(dropped(s, KS_SJ("日本")));

  s = {};
  s.ignore_no_text = 1;
  EXPECT_TRUE(dropped(s, "<img src=\"a>b\"> <br>"));
  EXPECT_FALSE(dropped(s, "<b>x</b>"));
}

TEST(IgnoredLine, LinksOnly) {
  store::PageSettings s;
  s.get_link_only = 1;
  std::string l = "pre <a href=\"u\">A</a> mid <a href=\"v\">B</a> post";
  EXPECT_FALSE(ignored_line(s, l, "h"));
  EXPECT_EQ(l, "<a href=\"u\">A</a><a href=\"v\">B</a>");
  EXPECT_TRUE(dropped(s, "no link here"));
  EXPECT_TRUE(dropped(s, "<a href=\"u\">never closed"));
}

TEST(IgnoredLine, OnlyOuterServer) {
  store::PageSettings s;
  s.ignore_only_outer_server = 1;
  EXPECT_FALSE(dropped(s, "<a href=\"http://own/x\">t</a>", "own"));
  EXPECT_TRUE(dropped(s, "<a href=\"http://other/x\">t</a>", "own"));
  EXPECT_FALSE(dropped(s, "text <a href=\"http://other/x\">t</a>", "own"));
  EXPECT_FALSE(dropped(s, "<a href=\x01http://own/x\x03>t</a>", "own"));
}

using Filters = CompareFixture;

TEST_F(Filters, NgWordZeroDropsItsArea) {
  write_old({"keep"});
  write_new({"keep", "a", "", "b", "NG here", "c", "d"});
  settings().ng_words[0] = "NG";
  settings().ngarea_use = 1;
  settings().ngarea_before = 1;
  settings().ngarea_after = 1;
  EXPECT_EQ(run(), CheckStatus::kChanged);
  EXPECT_EQ(added(), (Lines{"a", "d"}));  // "b" and "c" go with the NG line; "" is passed over
}

TEST_F(Filters, OtherNgWordDropsOnlyItsLine) {
  write_old({"keep"});
  write_new({"keep", "a", "b", "NG here", "c"});
  settings().ng_words[3] = "NG";
  settings().ngarea_use = 1;
  EXPECT_EQ(run(), CheckStatus::kChanged);
  EXPECT_EQ(added(), (Lines{"a", "b", "c"}));
}

TEST_F(Filters, ExtractWords) {
  write_old({"keep"});
  write_new({"keep", "sale today", "news", "big sale"});
  settings().ok_words[2] = "sale";
  EXPECT_EQ(run(), CheckStatus::kChanged);
  EXPECT_EQ(added(), (Lines{"sale today", "big sale"}));
  settings().ok_words[2] = "none";
  EXPECT_EQ(run(), CheckStatus::kNoChange);
}

TEST_F(Filters, SameTextReportedOnce) {
  write_old({"keep"});
  write_new({"keep", "x", "y", "x", "x 1"});
  settings().ignore_same_text = 1;
  EXPECT_EQ(run(), CheckStatus::kChanged);
  EXPECT_EQ(added(), (Lines{"x", "y", "x 1"}));
  settings().ignore_number_diff = 1;
  EXPECT_EQ(run(), CheckStatus::kChanged);
  EXPECT_EQ(added(), (Lines{"x", "y"}));
}

TEST_F(Filters, MovedLineIsNoChangeWithOldLog) {
  write_old({"a", "b", "c"});
  write_new({"c", "a", "b"});
  settings().use_old_log = 0;
  EXPECT_EQ(run(), CheckStatus::kChanged);
  settings().use_old_log = 1;
  EXPECT_EQ(run(), CheckStatus::kNoChange);
}

TEST_F(Filters, OlderLogsHideReturningLines) {
  write_file_atomic(dir_.file("result.db"), "[INDEX]\r\nCURRENT=1\r\n");
  write_old({"old news"}, 0);
  write_old({"a"}, 1);
  write_new({"a", "old news"});
  settings().use_old_log = 1;
  EXPECT_EQ(run(), CheckStatus::kChanged);
  EXPECT_EQ(added(), Lines{"old news"});
  settings().use_old_log = 2;
  EXPECT_EQ(run(), CheckStatus::kNoChange);
}

TEST_F(Filters, ContextLines) {
  write_old({"l0", "l1", "l2", "l3", "l4", "l7"});
  write_new({"l0", "l1", "l2", "l3", "l4", "N5", "N6", "l7"});
  settings().save_context_use = 1;
  settings().save_context_before = 2;
  settings().save_context_after = 0;
  EXPECT_EQ(run(), CheckStatus::kChanged);
  EXPECT_EQ(added(), (Lines{"l3", "l4", "N5", "N6"}));
  settings().save_context_before = 0;
  settings().save_context_after = 1;
  EXPECT_EQ(run(), CheckStatus::kChanged);
  EXPECT_EQ(added(), (Lines{"N5", "N6", "l7"}));
}

TEST_F(Filters, EmptyLineAfterReportedLine) {
  write_old({"a", "b"});
  write_new({"a", "N", "", "b"});
  EXPECT_EQ(run(), CheckStatus::kChanged);
  EXPECT_EQ(added(), Lines{"N"});
  settings().save_empty_line = 1;
  EXPECT_EQ(run(), CheckStatus::kChanged);
  EXPECT_EQ(added(), (Lines{"N", ""}));
}

TEST_F(Filters, DeletedSideUsesDelLogs) {
  settings().detect_deleted_lines = 1;
  write_file_atomic(dir_.file("result.db"), "[INDEX]\r\nCURRENT=4\r\n");
  write_old({"a", "gone", "b"}, 4);
  write_new({"a", "b"});
  write_file_atomic(dir_.file("del4.txt"), "gone\r\n");
  settings().use_old_log = 1;
  EXPECT_EQ(run(), CheckStatus::kNoChange);  // already reported as deleted once
  settings().use_old_log = 0;
  EXPECT_EQ(run(), CheckStatus::kChanged);
  EXPECT_EQ(deleted(), Lines{"gone"});
}

}  // namespace
}  // namespace ks::compare::test
